#ifndef BRINDLEMARK_SAP_FUNCTION_CALL_H_
#define BRINDLEMARK_SAP_FUNCTION_CALL_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sap/outcome.h"

/// A call of a remote-enabled function module in the caller's terms: the
/// values and tables it sends, the values, structures and tables it
/// expects back, each by its ABAP name and dictionary type. The RFC
/// library behind RfcClient carries it in its own way; nothing here knows
/// a library's records.

/// The ABAP types of the fields and values the sensor exchanges.
enum class AbapType : unsigned char {
  kChar,     // C: characters, blank-padded
  kDate,     // D: eight digits YYYYMMDD
  kTime,     // T: six digits HHMMSS
  kNumText,  // N: digits as characters
  kPacked,   // P (DEC, CURR, QUAN): packed decimal
  kRaw,      // X (RAW): bytes
  kInt,      // I (INT4)
  kInt2,     // INT2
  kInt1,     // INT1 (unsigned)
  kFloat,    // F (FLTP)
};

/// One field of a row, or one scalar value of a call.
struct FieldDescription {
  std::string name;  // as SAP spells it, upper case
  AbapType type = AbapType::kChar;
  /// Characters of a text field; bytes of a packed, raw, integer or float
  /// field (a DEC 24 field is 13 bytes).
  unsigned length = 0;
  unsigned decimals = 0;
  /// Where the field starts in the library's record; used only when the
  /// row type's layout is given (RowType::layoutGiven).
  unsigned offset = 0;
};

/// Fields of the common kinds.
inline FieldDescription CharField(std::string name, unsigned length) {
  return {std::move(name), AbapType::kChar, length, 0, 0};
}
inline FieldDescription IntField(std::string name) {
  return {std::move(name), AbapType::kInt, 4, 0, 0};
}
inline FieldDescription PackedField(std::string name, unsigned length, unsigned decimals = 0) {
  return {std::move(name), AbapType::kPacked, length, decimals, 0};
}

/// The type of a table's rows or of a structure: the dictionary name and
/// the fields in record order.
struct RowType {
  std::string name;
  std::vector<FieldDescription> fields;
  /// The offsets come from the system's description of the structure;
  /// otherwise the library lays the record out from the fields.
  bool layoutGiven = false;

  /// The index of the field |name|; -1 when the row has no such field.
  int FieldIndex(std::string_view fieldName) const;
};

/// An exact packed number: up to 31 digits with an implied decimal point
/// before the last |decimals|.
class Decimal {
 public:
  static constexpr unsigned kMaxDigits = 31;

  Decimal() = default;
  /// A packed field of |length| bytes (two digits a byte, high nibble
  /// first, the last nibble the sign: D negative). The digits end at the
  /// first nibble above 9, as a damaged field is read.
  static Decimal FromPacked(const unsigned char* bytes, std::size_t length, unsigned decimals);
  /// A number text: optional sign, digits, optionally a point and further
  /// digits; blanks around it. Nothing when it is no such number or has
  /// more than kMaxDigits digits.
  static std::optional<Decimal> FromText(std::string_view text);

  /// The same number with exactly |decimals| decimals: zeros added, or
  /// zero decimals dropped; nothing when a dropped decimal is not zero or
  /// the digits do not fit.
  std::optional<Decimal> WithDecimals(unsigned decimals) const;

  bool negative() const { return negative_; }
  unsigned decimals() const { return decimals_; }
  /// The digits without sign and point, leading zeros dropped ("" for 0).
  std::string_view digits() const { return std::string_view(digits_, count_); }
  /// The digits as an integer, point ignored, negated for a negative
  /// number, modulo 2^32: how the statistics' counters are read.
  std::uint32_t UnscaledModulo32() const;
  /// "-123.45", "0", "7.00": the number with its decimals.
  std::string Text() const;

 private:
  char digits_[kMaxDigits] = {};
  unsigned char count_ = 0;
  unsigned char decimals_ = 0;
  bool negative_ = false;
};

/// The rows of an answer's table (or the one row of a structure, or of
/// the scalar values), read by field: |field| is an index of Type()'s
/// fields (see RowType::FieldIndex), |row| counts from 0. The adapter
/// keeps the rows where the library put them; nothing is copied per row.
class TableRows {
 public:
  virtual ~TableRows() = default;
  virtual const RowType& Type() const = 0;
  virtual std::size_t size() const = 0;
  /// A text field's characters (up to a terminator the library left in
  /// it), or a raw field's bytes.
  virtual std::string_view Text(std::size_t row, int field) const = 0;
  /// An integer field.
  virtual std::int64_t Integer(std::size_t row, int field) const = 0;
  /// A packed field.
  virtual Decimal Packed(std::size_t row, int field) const = 0;
};

/// What an adapter holds of an answer until the caller lets it go.
class CallAnswer {
 public:
  virtual ~CallAnswer() = default;
  /// The scalar values received, as one row of FunctionCall::Values().
  virtual const TableRows& Values() const = 0;
  /// The structure or table received, by its index in the call's list.
  virtual const TableRows& Structure(std::size_t index) const = 0;
  virtual const TableRows& Table(std::size_t index) const = 0;
  /// Gives back what the library holds for the answer; a library failure
  /// when it cannot. Dropping an answer without it leaves the library's
  /// memory to the process's end (after a library failure nothing more is
  /// asked of the library).
  virtual Outcome Release() = 0;
};

/// One call of a function module: built by the caller, carried out by
/// RfcClient::Invoke, read by the caller, released.
class FunctionCall {
 public:
  /// A value the call sends: its description and its text (characters of
  /// a character-like value, the number text of a packed or integer one).
  struct Sent {
    FieldDescription field;
    std::string text;
  };
  /// A structure or table of the call: its name and row type (which must
  /// outlive the call). The rows of a table that is only sent because the
  /// function module requires it are not read.
  struct Part {
    std::string name;
    const RowType* type;
    bool rowsRead = true;
  };

  explicit FunctionCall(std::string function) : function_(std::move(function)) {}
  FunctionCall(const FunctionCall&) = delete;
  FunctionCall& operator=(const FunctionCall&) = delete;

  /// A character-like value, padded to its length with blanks (zeros for
  /// dates, times and numeric texts) or cut to it.
  void Send(std::string name, AbapType type, unsigned length, std::string_view value);
  /// An integer value.
  void SendInteger(std::string name, std::int32_t value);
  /// A packed value of |length| bytes from a number text.
  void SendPacked(std::string name, unsigned length, unsigned decimals, std::string_view value);
  /// A scalar value expected back.
  void Receive(FieldDescription value) {
    received_.push_back({false, values_.fields.size()});
    values_.fields.push_back(std::move(value));
  }
  /// A structure expected back.
  void ReceiveStructure(std::string name, const RowType& type) {
    received_.push_back({true, structures_.size()});
    structures_.push_back({std::move(name), &type, true});
  }
  /// A table the call hands over empty and gets back filled; with
  /// |rowsRead| false its rows are not looked at.
  void AddTable(std::string name, const RowType& type, bool rowsRead = true) {
    tables_.push_back({std::move(name), &type, rowsRead});
  }

  const std::string& function() const { return function_; }
  const std::vector<Sent>& sent() const { return sent_; }
  /// The scalar values expected back, as the fields of one row.
  const RowType& received() const { return values_; }
  const std::vector<Part>& structures() const { return structures_; }
  /// The values and structures expected back in the order they were
  /// named: a structure or a value, by its index in its list.
  struct Received {
    bool structure;
    std::size_t index;
  };
  const std::vector<Received>& receivedOrder() const { return received_; }
  const std::vector<Part>& tables() const { return tables_; }

  /// After a successful Invoke: the scalar values (one row), a structure
  /// (one row) and a table by name; null for a name the call does not
  /// have.
  const TableRows& Values() const { return answer_->Values(); }
  const TableRows* Structure(std::string_view name) const;
  const TableRows* Table(std::string_view name) const;

  /// Set by the adapter when the call succeeded.
  void SetAnswer(std::unique_ptr<CallAnswer> answer) { answer_ = std::move(answer); }
  bool answered() const { return answer_ != nullptr; }
  /// Lets the answer go (see CallAnswer::Release); Ok without one.
  Outcome Release();

 private:
  std::string function_;
  std::vector<Sent> sent_;
  RowType values_;
  std::vector<Part> structures_;
  std::vector<Received> received_;
  std::vector<Part> tables_;
  std::unique_ptr<CallAnswer> answer_;
};

#endif  // BRINDLEMARK_SAP_FUNCTION_CALL_H_
