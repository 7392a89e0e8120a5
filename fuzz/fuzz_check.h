#ifndef BRINDLEMARK_FUZZ_FUZZ_CHECK_H_
#define BRINDLEMARK_FUZZ_FUZZ_CHECK_H_

// Support for the fuzz targets: a failed property aborts with a message,
// which libFuzzer reports as a crash with its input, and the corpus replay
// as a failed test.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

/// Takes the fuzzer's input apart: single bytes for choices and pieces of
/// text, each led by a length byte.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  bool Empty() const { return rest_.empty(); }

  /// The next byte; 0 when none is left.
  unsigned char Byte() {
    if (rest_.empty()) return 0;
    unsigned char b = static_cast<unsigned char>(rest_[0]);
    rest_.remove_prefix(1);
    return b;
  }

  /// A piece of text: a length byte, then that many bytes (fewer at the
  /// end of the input).
  std::string_view Text() {
    std::size_t n = Byte();
    std::string_view text = rest_.substr(0, n);
    rest_.remove_prefix(text.size());
    return text;
  }

  /// All that is left.
  std::string_view Rest() {
    std::string_view all = rest_;
    rest_ = std::string_view();
    return all;
  }

 private:
  std::string_view rest_;
};

#endif  // BRINDLEMARK_FUZZ_FUZZ_CHECK_H_
