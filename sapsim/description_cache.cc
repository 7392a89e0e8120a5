#include "sapsim/description_cache.h"

std::shared_ptr<const SimDescription> DescriptionCache::Refresh(const std::string& path,
                                                                std::string* error) {
  std::error_code code;
  auto time = std::filesystem::last_write_time(path, code);
  std::uintmax_t size = code ? 0 : std::filesystem::file_size(path, code);
  if (!code && description_ && time == time_ && size == size_) return description_;
  time_ = time;
  size_ = size;
  read_ = true;
  std::string text;
  if (!ReadDescriptionText(path, &text, error)) {
    description_ = nullptr;
    return nullptr;
  }
  description_ = ParseDescription(text, error);
  if (!description_) *error = path + ": " + *error;
  return description_;
}
