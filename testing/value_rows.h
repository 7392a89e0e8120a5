#ifndef BRINDLEMARK_TESTING_VALUE_ROWS_H_
#define BRINDLEMARK_TESTING_VALUE_ROWS_H_

// Answers of function calls made of typed values, for the test doubles and
// fuzz targets of the RFC client.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sap/function_call.h"

/// Rows held as typed values; a new row holds blanks and zeros.
class ValueRows : public TableRows {
 public:
  explicit ValueRows(const RowType& type) : type_(type) {}

  const RowType& Type() const override { return type_; }
  std::size_t size() const override { return rows_.size(); }
  std::string_view Text(std::size_t row, int field) const override {
    return rows_[row][field].text;
  }
  std::int64_t Integer(std::size_t row, int field) const override {
    return rows_[row][field].integer;
  }
  Decimal Packed(std::size_t row, int field) const override { return rows_[row][field].packed; }

  /// Appends a row of initial values; its index.
  std::size_t AddRow() {
    std::vector<Cell> row(type_.fields.size());
    for (size_t i = 0; i < row.size(); ++i) {
      const FieldDescription& f = type_.fields[i];
      bool digits =
          f.type == AbapType::kDate || f.type == AbapType::kTime || f.type == AbapType::kNumText;
      if (f.type == AbapType::kChar || digits || f.type == AbapType::kRaw)
        row[i].text.assign(f.length, f.type == AbapType::kRaw ? '\0' : digits ? '0' : ' ');
    }
    rows_.push_back(std::move(row));
    return rows_.size() - 1;
  }
  /// Sets a text field, cut to its length.
  void SetText(std::size_t row, int field, std::string_view text) {
    std::string& cell = rows_[row][field].text;
    cell.replace(0, std::min(text.size(), cell.size()), text.substr(0, cell.size()));
  }
  void SetInteger(std::size_t row, int field, std::int64_t value) {
    rows_[row][field].integer = value;
  }
  void SetPacked(std::size_t row, int field, Decimal value) { rows_[row][field].packed = value; }

 private:
  struct Cell {
    std::string text;
    std::int64_t integer = 0;
    Decimal packed;
  };
  const RowType& type_;
  std::vector<std::vector<Cell>> rows_;
};

/// An answer of ValueRows, one for the values and one for each structure
/// and table of the call; Release gives |release|.
class ValueAnswer : public CallAnswer {
 public:
  explicit ValueAnswer(const FunctionCall& call) : values(call.received()) {
    values.AddRow();
    for (const FunctionCall::Part& part : call.structures()) {
      structures.push_back(std::make_unique<ValueRows>(*part.type));
      structures.back()->AddRow();
    }
    for (const FunctionCall::Part& part : call.tables())
      tables.push_back(std::make_unique<ValueRows>(*part.type));
  }
  const TableRows& Values() const override { return values; }
  const TableRows& Structure(std::size_t index) const override { return *structures[index]; }
  const TableRows& Table(std::size_t index) const override { return *tables[index]; }
  Outcome Release() override { return release; }

  ValueRows values;
  std::vector<std::unique_ptr<ValueRows>> structures;
  std::vector<std::unique_ptr<ValueRows>> tables;
  Outcome release = Outcome::Ok();
};

#endif  // BRINDLEMARK_TESTING_VALUE_ROWS_H_
