#include "sap/function_call.h"

#include <algorithm>

int RowType::FieldIndex(std::string_view fieldName) const {
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i].name == fieldName) return static_cast<int>(i);
  return -1;
}

Decimal Decimal::FromPacked(const unsigned char* bytes, std::size_t length, unsigned decimals) {
  Decimal d;
  if (length == 0) return d;
  d.decimals_ = static_cast<unsigned char>(std::min(decimals, kMaxDigits));
  for (size_t nibble = 0; nibble + 1 < 2 * length; ++nibble) {
    unsigned digit = nibble % 2 == 0 ? bytes[nibble / 2] >> 4 : bytes[nibble / 2] & 0x0F;
    if (digit > 9) break;
    if (d.count_ == 0 && digit == 0) continue;
    if (d.count_ == kMaxDigits) break;
    d.digits_[d.count_++] = static_cast<char>('0' + digit);
  }
  d.negative_ = (bytes[length - 1] & 0x0F) == 0x0D;
  return d;
}

std::optional<Decimal> Decimal::FromText(std::string_view text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return std::nullopt;
  text = text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
  Decimal d;
  if (text[0] == '-' || text[0] == '+') {
    d.negative_ = text[0] == '-';
    text.remove_prefix(1);
  }
  bool anyDigit = false, point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    anyDigit = true;
    if (point) ++d.decimals_;
    if (d.count_ == 0 && c == '0') continue;
    if (d.count_ == kMaxDigits) return std::nullopt;
    d.digits_[d.count_++] = c;
  }
  if (!anyDigit) return std::nullopt;
  if (d.count_ == 0) d.negative_ = false;
  return d;
}

std::optional<Decimal> Decimal::WithDecimals(unsigned decimals) const {
  Decimal d = *this;
  for (; d.decimals_ < decimals; ++d.decimals_) {
    if (d.count_ == 0) continue;
    if (d.count_ == kMaxDigits) return std::nullopt;
    d.digits_[d.count_++] = '0';
  }
  for (; d.decimals_ > decimals; --d.decimals_) {
    if (d.count_ == 0) continue;
    if (d.digits_[d.count_ - 1] != '0') return std::nullopt;
    --d.count_;
  }
  return d;
}

std::uint32_t Decimal::UnscaledModulo32() const {
  std::uint32_t value = 0;
  for (unsigned i = 0; i < count_; ++i)
    value = value * 10u + static_cast<unsigned>(digits_[i] - '0');
  return negative_ ? 0u - value : value;
}

std::string Decimal::Text() const {
  std::string digits(digits_, count_);
  if (digits.size() <= decimals_) digits.insert(0, decimals_ + 1 - digits.size(), '0');
  if (decimals_ > 0) digits.insert(digits.size() - decimals_, 1, '.');
  return (negative_ && count_ > 0 ? "-" : "") + digits;
}

void FunctionCall::Send(std::string name, AbapType type, unsigned length, std::string_view value) {
  bool digits = type == AbapType::kDate || type == AbapType::kTime || type == AbapType::kNumText;
  std::string text(value.substr(0, std::min<size_t>(value.size(), length)));
  text.append(length - text.size(), digits ? '0' : ' ');
  sent_.push_back({FieldDescription{std::move(name), type, length, 0, 0}, std::move(text)});
}

void FunctionCall::SendInteger(std::string name, std::int32_t value) {
  sent_.push_back(
      {FieldDescription{std::move(name), AbapType::kInt, 4, 0, 0}, std::to_string(value)});
}

void FunctionCall::SendPacked(std::string name, unsigned length, unsigned decimals,
                              std::string_view value) {
  sent_.push_back({FieldDescription{std::move(name), AbapType::kPacked, length, decimals, 0},
                   std::string(value)});
}

namespace {

template <typename Find>
const TableRows* FindPart(const std::vector<FunctionCall::Part>& parts, std::string_view name,
                          bool answered, Find&& find) {
  if (!answered) return nullptr;
  for (size_t i = 0; i < parts.size(); ++i)
    if (parts[i].name == name) return &find(i);
  return nullptr;
}

}  // namespace

const TableRows* FunctionCall::Structure(std::string_view name) const {
  return FindPart(structures_, name, answered(),
                  [&](size_t i) -> const TableRows& { return answer_->Structure(i); });
}

const TableRows* FunctionCall::Table(std::string_view name) const {
  return FindPart(tables_, name, answered(),
                  [&](size_t i) -> const TableRows& { return answer_->Table(i); });
}

Outcome FunctionCall::Release() {
  if (answer_ == nullptr) return Outcome::Ok();
  Outcome outcome = answer_->Release();
  answer_.reset();
  return outcome;
}
