#include "fuzz_rfc_client.h"

#include <algorithm>
#include <string>
#include <vector>

#include "testing/value_rows.h"

namespace {

/// A packed field of |length| bytes holding |value|, positive.
Decimal PackedOf(std::uint64_t value, unsigned length) {
  std::vector<unsigned char> nibbles(2 * length, 0);
  nibbles.back() = 0xC;
  for (size_t n = nibbles.size() - 1; n-- > 0; value /= 10)
    nibbles[n] = static_cast<unsigned char>(value % 10);
  std::vector<unsigned char> bytes(length);
  for (unsigned b = 0; b < length; ++b)
    bytes[b] = static_cast<unsigned char>(nibbles[2 * b] << 4 | nibbles[2 * b + 1]);
  return Decimal::FromPacked(bytes.data(), length, 0);
}

class FuzzRfcClient : public RfcClient {
 public:
  explicit FuzzRfcClient(FuzzInput& input) : input_(input) {}

  void InstallErrorHandler(LibraryErrorHandler, void*) override {}
  ConnectionId Open(const LogonData&) override { return Fails(8) ? 0 : next_++; }
  ConnectionId OpenDestination(const DestinationLogon&) override { return Fails(8) ? 0 : next_++; }
  void UseDestinationFile(const std::string& path) override { FUZZ_CHECK(!path.empty()); }
  Outcome Invoke(ConnectionId connection, FunctionCall& call) override {
    FUZZ_CHECK(connection != 0 && !call.answered());
    if (Fails(64) && !call.tables().empty())
      return Outcome::LibraryFailed("ItCreate " + call.tables().front().name, LastError());
    unsigned char pick = input_.Byte();
    if (pick >= 192) {
      switch (pick % 5) {
        case 0: return Outcome::OtherFailure(LastError());
        case 1: return Outcome::CallFailed(LastError());
        case 2:
          return Outcome::Exception(
              input_.Byte() % 2 == 0 ? "NO_DATA_FOUND" : std::string(input_.Text()), LastError());
        case 3: return Outcome::SystemFailure(std::string(input_.Text()), LastError());
        default: return Outcome::LogonRefused(LastError());
      }
    }
    auto answer = std::make_unique<ValueAnswer>(call);
    Fill(answer->values, 0);
    for (auto& structure : answer->structures) Fill(*structure, 0);
    for (auto& table : answer->tables)
      for (unsigned rows = input_.Byte() % 6; rows > 0; --rows) Fill(*table, table->AddRow());
    if (Fails(128)) answer->release = Outcome::LibraryFailed("ItDelete", LastError());
    call.SetAnswer(std::move(answer));
    return Outcome::Ok();
  }
  Outcome Describe(ConnectionId, const std::string&, FunctionDescription*) override {
    return Outcome::FunctionNotFound("", LastError());
  }
  void Close(ConnectionId connection) override { FUZZ_CHECK(connection != 0); }
  void CloseAll() override {}
  LibraryTexts LastError() override {
    LibraryTexts texts;
    texts.key = input_.Text();
    texts.status = input_.Text();
    texts.message = input_.Text();
    return texts;
  }

 private:
  /// Whether the next answer is a failure: about one in |odds|.
  bool Fails(unsigned odds) { return input_.Byte() % odds == odds - 1; }

  /// Gives row |row| of |rows| values a system would, and now and then a
  /// piece of the input instead.
  void Fill(ValueRows& rows, std::size_t row) {
    static const char* const kClients[] = {"000", "100", "200", "066"};
    static const char* const kStamps[] = {"Tue Mar  5 14:07:09 2024", "Wed Mar  6 00:00:01 2024",
                                          "Sun Dec 31 23:59:59 2023"};
    std::uint32_t steps = input_.Byte() * 100u;
    const RowType& type = rows.Type();
    for (int i = 0; i < static_cast<int>(type.fields.size()); ++i) {
      const FieldDescription& f = type.fields[i];
      bool piece = input_.Byte() >= 224;
      if (f.type == AbapType::kPacked) {
        if (!piece) {
          rows.SetPacked(row, i, PackedOf(steps * 37u, f.length));
          continue;
        }
        std::string bytes(input_.Text());
        bytes.resize(f.length, '\0');
        rows.SetPacked(row, i,
                       Decimal::FromPacked(reinterpret_cast<const unsigned char*>(bytes.data()),
                                           f.length, f.decimals));
      } else if (f.type == AbapType::kInt || f.type == AbapType::kInt2 ||
                 f.type == AbapType::kInt1) {
        std::int64_t value = f.name == "STEPS"    ? steps
                             : f.name == "DSTEPS" ? steps / 2
                             : f.name == "BSTEPS" ? steps - steps / 2
                                                  : 0;
        if (piece) value = static_cast<std::int32_t>(input_.Byte() << 24 | input_.Byte());
        rows.SetInteger(row, i, value);
      } else {
        if (f.name == "CLIENT") rows.SetText(row, i, kClients[input_.Byte() % 4]);
        if (f.name == "USER_ACCNT") rows.SetText(row, i, "MONITOR");
        if (f.name == "LASTCOLLWRT") rows.SetText(row, i, kStamps[input_.Byte() % 3]);
        if (f.name == "RFCHOST") rows.SetText(row, i, "prdci01");
        if (piece) rows.SetText(row, i, input_.Text());
      }
    }
  }

  FuzzInput& input_;
  ConnectionId next_ = 1;
};

}  // namespace

std::unique_ptr<RfcClient> CreateFuzzRfcClient(FuzzInput& input) {
  return std::make_unique<FuzzRfcClient>(input);
}
