#include "platform/console.h"

#include <cstdio>

namespace {

struct StandardOutput : Console {
  void Write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
};

}  // namespace

std::unique_ptr<Console> CreateStandardOutput() { return std::make_unique<StandardOutput>(); }
