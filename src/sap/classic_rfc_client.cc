#include "sap/classic_rfc_client.h"

#include <cstring>
#include <vector>

#include "sap/packed_number.h"

namespace {

constexpr size_t kUserWidth = 12;
constexpr size_t kPasswordWidth = 10;

RfcType TypeCode(AbapType type) {
  switch (type) {
    case AbapType::kChar: return kTypeChar;
    case AbapType::kDate: return kTypeDate;
    case AbapType::kTime: return kTypeTime;
    case AbapType::kNumText: return kTypeNum;
    case AbapType::kPacked: return kTypeBcd;
    case AbapType::kRaw: return kTypeByte;
    case AbapType::kInt: return kTypeInt;
    case AbapType::kInt2: return kTypeInt2;
    case AbapType::kInt1: return kTypeInt1;
    case AbapType::kFloat: return kTypeFloat;
  }
  return kTypeChar;
}

/// The offsets of |type|'s fields in the library's record.
std::vector<unsigned> Offsets(const RowType& type) {
  std::vector<unsigned> offsets;
  unsigned end = 0;
  for (const FieldDescription& f : type.fields) {
    unsigned align = f.type == AbapType::kInt2    ? 2
                     : f.type == AbapType::kInt   ? 4
                     : f.type == AbapType::kFloat ? 8
                                                  : 1;
    unsigned at = type.layoutGiven ? f.offset : (end + align - 1) / align * align;
    offsets.push_back(at);
    end = at + f.length;
  }
  return offsets;
}

/// |text| padded on the right with blanks to |width|; a longer text whole.
std::string PadRight(const std::string& text, size_t width) {
  std::string padded = text;
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  return padded;
}

const char* TextOrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

/// A value of the connect string: one with blanks in double quotes, which
/// RfcOpenEx requires (it ends an unquoted value at a blank).
std::string ConnectValue(const std::string& value) {
  return value.find(' ') == std::string::npos ? value : "\"" + value + "\"";
}

/// A text field of the error record, up to its terminator but never past
/// its width: a library may fill a field to the last byte.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  const void* end = std::memchr(field, '\0', N);
  return std::string(field, end != nullptr ? static_cast<const char*>(end) - field : N);
}

/// The library's last error on this thread.
LibraryTexts LastErrorOf(RfcLibrary& rfc) {
  RfcErrorInfo info;
  std::memset(&info, 0, sizeof info);
  rfc.RfcLastError(&info);
  return {FieldText(info.key), FieldText(info.status), FieldText(info.message),
          FieldText(info.internalStatus)};
}

/// Rows of the library's records, read in place.
class RecordRows : public TableRows {
 public:
  RecordRows(const RowType& type, std::vector<const unsigned char*> rows)
      : type_(type), offsets_(Offsets(type)), rows_(std::move(rows)) {}

  const RowType& Type() const override { return type_; }
  std::size_t size() const override { return rows_.size(); }
  std::string_view Text(std::size_t row, int field) const override {
    const FieldDescription& f = type_.fields[field];
    const char* start = reinterpret_cast<const char*>(rows_[row] + offsets_[field]);
    if (f.type == AbapType::kRaw) return std::string_view(start, f.length);
    const void* nul = std::memchr(start, '\0', f.length);
    return std::string_view(start, nul ? static_cast<const char*>(nul) - start : f.length);
  }
  std::int64_t Integer(std::size_t row, int field) const override {
    const unsigned char* p = rows_[row] + offsets_[field];
    switch (type_.fields[field].type) {
      case AbapType::kInt1: return p[0];
      case AbapType::kInt2: return static_cast<std::int16_t>(p[0] | p[1] << 8);
      default:  // little-endian, as the library's records on every target
        return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                         std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
    }
  }
  Decimal Packed(std::size_t row, int field) const override {
    const FieldDescription& f = type_.fields[field];
    return Decimal::FromPacked(rows_[row] + offsets_[field], f.length, f.decimals);
  }

 private:
  const RowType& type_;
  std::vector<unsigned> offsets_;
  std::vector<const unsigned char*> rows_;
};

/// The answer of one call: the received values and structures in buffers
/// of the adapter, the tables in the library until released.
class ClassicAnswer : public CallAnswer {
 public:
  ClassicAnswer(RfcLibrary& rfc, const FunctionCall& call) : rfc_(rfc), call_(call) {}

  const TableRows& Values() const override { return *values_; }
  const TableRows& Structure(std::size_t index) const override { return *structures_[index]; }
  const TableRows& Table(std::size_t index) const override { return *tables_[index]; }
  Outcome Release() override {
    // Last created, first deleted; the first that fails ends it.
    for (size_t i = handles_.size(); i-- > 0;) {
      ItHandle handle = handles_[i];
      handles_.pop_back();
      if (rfc_.ItDelete(handle) != 0) {
        handles_.clear();
        return Outcome::LibraryFailed("ItDelete " + call_.tables()[i].name, Texts());
      }
    }
    return Outcome::Ok();
  }
  /// After a library failure nothing more is asked of the library.
  void Abandon() { handles_.clear(); }

  LibraryTexts Texts() { return LastErrorOf(rfc_); }

  RfcLibrary& rfc_;
  const FunctionCall& call_;
  std::vector<ItHandle> handles_;
  std::vector<unsigned> lengths_;
  std::vector<unsigned char> valueRecord_;
  std::unique_ptr<RecordRows> values_;
  std::vector<std::vector<unsigned char>> structureRecords_;
  std::vector<std::unique_ptr<RecordRows>> structures_;
  std::vector<std::unique_ptr<RecordRows>> tables_;
};

/// The outcome of a call the library answered with |result|.
Outcome CallOutcome(int result, const char* exception, ClassicAnswer& answer) {
  switch (result) {
    case kRfcOk: return Outcome::Ok();
    case kRfcException: return Outcome::Exception(ExceptionName(exception), answer.Texts());
    case kRfcSysException: return Outcome::SystemFailure(ExceptionName(exception), answer.Texts());
    case kRfcFailure: {
      LibraryTexts texts = answer.Texts();
      // RfcOpen only opens the connection: the system checks the logon
      // data with the first call and refuses them so.
      if (texts.key == "RFC_ERROR_LOGON_FAILURE") return Outcome::LogonRefused(std::move(texts));
      return Outcome::CallFailed(std::move(texts));
    }
    default: return Outcome::OtherFailure(answer.Texts());
  }
}

/// What an installed structure is kept under: its name, and for a layout
/// the system gave, the fields with their offsets, since two systems of
/// one run (other releases) may lay out a structure of the same name
/// differently.
std::string InstallKey(const RowType& type) {
  if (!type.layoutGiven) return type.name;
  std::string key = type.name;
  for (const FieldDescription& f : type.fields)
    key += '\n' + f.name + ' ' + std::to_string(static_cast<int>(f.type)) + ' ' +
           std::to_string(f.length) + ' ' + std::to_string(f.decimals) + ' ' +
           std::to_string(f.offset);
  return key;
}

/// The interface of a function module as RFC_GET_FUNCTION_INTERFACE gives
/// it, one row per parameter (structure RFC_FUNINT).
const RowType kRfcFunint{"RFC_FUNINT",
                         {CharField("PARAMCLASS", 1), CharField("PARAMETER", 30),
                          CharField("TABNAME", 30), CharField("FIELDNAME", 30),
                          CharField("EXID", 1), IntField("POSITION"), IntField("OFFSET"),
                          IntField("INTLENGTH"), IntField("DECIMALS"), CharField("DEFAULT", 21),
                          CharField("PARAMTEXT", 79), CharField("OPTIONAL", 1)}};

/// The fields of a structure as RFC_GET_STRUCTURE_DEFINITION gives them
/// (structure RFC_FIELDS).
const RowType kRfcFields{"RFC_FIELDS",
                         {CharField("TABNAME", 30), CharField("FIELDNAME", 30),
                          IntField("POSITION"), IntField("OFFSET"), IntField("INTLENGTH"),
                          IntField("DECIMALS"), CharField("EXID", 1)}};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

/// The field type of an ABAP type letter (RFC_FIELDS-EXID); a type the
/// sensor does not read is taken as bytes.
AbapType TypeOfLetter(char letter) {
  switch (letter) {
    case 'C': return AbapType::kChar;
    case 'D': return AbapType::kDate;
    case 'T': return AbapType::kTime;
    case 'N': return AbapType::kNumText;
    case 'P': return AbapType::kPacked;
    case 'I': return AbapType::kInt;
    case 's': return AbapType::kInt2;
    case 'b': return AbapType::kInt1;
    case 'F': return AbapType::kFloat;
    default: return AbapType::kRaw;
  }
}

/// Whether a system failure is the called system's answer to a function
/// module it does not have: the runtime error's text, as the library
/// hands it on.
bool SaysFunctionNotFound(const LibraryTexts& texts) {
  const std::string& m = texts.message;
  return m.find("Function module") != std::string::npos &&
         m.find("not found") != std::string::npos;
}

}  // namespace

unsigned ClassicRfcClient::RecordLength(const RowType& type) {
  std::vector<unsigned> offsets = Offsets(type);
  unsigned end = 0;
  for (size_t i = 0; i < offsets.size(); ++i)
    end = std::max(end, offsets[i] + type.fields[i].length);
  return end;
}

void ClassicRfcClient::InstallErrorHandler(LibraryErrorHandler handler, void* context) {
  RfcEnvironmentRecord environment{};
  environment.errorhandler = handler;
  environment.context = context;
  environment.allocate = nullptr;
  rfc_.RfcEnvironment(environment);
}

ConnectionId ClassicRfcClient::Open(const LogonData& logon) {
  RfcConnectR3 r3{};
  r3.hostname = TextOrNull(logon.host);
  r3.sysnr = logon.systemNumber;
  r3.gwhost = TextOrNull(logon.gatewayHost);
  r3.gwservice = TextOrNull(logon.gatewayService);

  RfcConnectR2 r2{};
  r2.gwhost = TextOrNull(logon.gatewayHost);
  r2.gwservice = TextOrNull(logon.gatewayService);

  std::string user = PadRight(logon.user, kUserWidth);
  std::string password = PadRight(logon.password, kPasswordWidth);

  RfcOptions options{};
  options.destination = logon.destination.c_str();
  options.mode = logon.r2 ? 1 : 0;
  options.connopt = logon.r2 ? static_cast<const void*>(&r2) : static_cast<const void*>(&r3);
  options.client = logon.client.c_str();
  options.user = user.c_str();
  options.password = password.c_str();
  options.language = logon.language.c_str();
  options.trace = 0;
  return rfc_.RfcOpen(options);
}

ConnectionId ClassicRfcClient::OpenDestination(const DestinationLogon& logon) {
  std::string connect =
      "CLIENT=" + ConnectValue(logon.client) + " USER=" + ConnectValue(logon.user) +
      " PASSWD=" + ConnectValue(logon.password) + " LANG=" + ConnectValue(logon.language) +
      " DEST=" + ConnectValue(logon.destination);
  RfcErrorInfo error{};
  return rfc_.RfcOpenEx(connect.c_str(), &error);
}

RfcType ClassicRfcClient::InstalledType(const RowType& type) {
  MutexLock lock(mutex_);
  auto found = installed_.find(InstallKey(type));
  if (found != installed_.end()) return found->second;
  std::vector<unsigned> offsets = Offsets(type);
  std::vector<FieldDescriptor> fields;
  for (size_t i = 0; i < type.fields.size(); ++i) {
    const FieldDescription& f = type.fields[i];
    fields.push_back({f.name.c_str(), TypeCode(f.type), f.length, f.decimals,
                      type.layoutGiven ? offsets[i] : 0});
  }
  // The library writes the handle into a local first, so that a failed
  // installation leaves nothing behind.
  RfcType handle = 0;
  if (rfc_.RfcInstallStructure(type.name.c_str(), fields.data(),
                               static_cast<unsigned>(fields.size()), &handle) != 0)
    return 0;
  installed_.emplace(InstallKey(type), handle);
  return handle;
}

bool ClassicRfcClient::RowTypesDescribed(const std::vector<const RowType*>& types) {
  MutexLock lock(mutex_);
  for (const RowType* type : types)
    if (installed_.count(type->name) == 0) return false;
  return true;
}

Outcome ClassicRfcClient::Invoke(ConnectionId connection, FunctionCall& call) {
  auto answer = std::make_unique<ClassicAnswer>(rfc_, call);
  ClassicAnswer& a = *answer;

  // The tables first, then the descriptions of their rows and of the
  // structures received.
  for (const FunctionCall::Part& table : call.tables()) {
    unsigned length = RecordLength(*table.type);
    ItHandle handle = rfc_.ItCreate(table.name.c_str(), length, 0, 0);
    if (handle == nullptr) {
      a.Abandon();
      return Outcome::LibraryFailed("ItCreate " + table.name, a.Texts());
    }
    a.handles_.push_back(handle);
    a.lengths_.push_back(length);
  }
  std::vector<RfcType> tableTypes, structureTypes;
  for (const FunctionCall::Part& table : call.tables())
    tableTypes.push_back(InstalledType(*table.type));
  for (const FunctionCall::Part& structure : call.structures())
    structureTypes.push_back(InstalledType(*structure.type));
  for (RfcType type : tableTypes)
    if (type == 0) return a.Abandon(), Outcome::LibraryFailed("RfcInstallStructure", a.Texts());
  for (RfcType type : structureTypes)
    if (type == 0) return a.Abandon(), Outcome::LibraryFailed("RfcInstallStructure", a.Texts());

  // The values sent, each in a buffer of its own.
  std::vector<std::string> sentValues;
  std::vector<RfcParameter> exporting;
  sentValues.reserve(call.sent().size());
  for (const FunctionCall::Sent& sent : call.sent()) {
    const FieldDescription& f = sent.field;
    std::string bytes = sent.text;
    if (f.type == AbapType::kInt) {
      std::int32_t value = static_cast<std::int32_t>(std::stol(sent.text));
      bytes.assign(reinterpret_cast<const char*>(&value), sizeof value);
    } else if (f.type == AbapType::kPacked) {
      bytes.assign(f.length, '\0');
      EncodePackedText(sent.text, f.decimals, reinterpret_cast<std::uint8_t*>(bytes.data()),
                       f.length);
    }
    sentValues.push_back(std::move(bytes));
    exporting.push_back({f.name.c_str(), static_cast<unsigned>(f.name.size()), TypeCode(f.type),
                         static_cast<unsigned>(sentValues.back().size()),
                         sentValues.back().data()});
  }
  exporting.push_back({nullptr, 0, 0, 0, nullptr});

  std::vector<RfcTable> tables;
  for (size_t i = 0; i < call.tables().size(); ++i) {
    const std::string& name = call.tables()[i].name;
    tables.push_back({name.c_str(), static_cast<unsigned>(name.size()), tableTypes[i],
                      a.lengths_[i], a.handles_[i], 0, 0});
  }
  tables.push_back({nullptr, 0, 0, 0, nullptr, 0, 0});

  auto ended = [&](Outcome outcome) {
    Outcome released = a.Release();
    return released.ok() ? outcome : released;
  };
  int result = rfc_.RfcCall(connection, call.function().c_str(), exporting.data(), tables.data());
  if (result != kRfcOk) return ended(CallOutcome(result, nullptr, a));

  // The values and structures received, in the order the call names them.
  const RowType& values = call.received();
  std::vector<unsigned> valueOffsets = Offsets(values);
  a.valueRecord_.assign(RecordLength(values), 0);
  a.structureRecords_.resize(call.structures().size());
  std::vector<RfcParameter> importing;
  for (const FunctionCall::Received& r : call.receivedOrder()) {
    if (r.structure) {
      const FunctionCall::Part& part = call.structures()[r.index];
      unsigned length = RecordLength(*part.type);
      std::vector<unsigned char>& record = a.structureRecords_[r.index];
      record.assign(length, 0);
      importing.push_back({part.name.c_str(), static_cast<unsigned>(part.name.size()),
                           structureTypes[r.index], length, record.data()});
    } else {
      const FieldDescription& f = values.fields[r.index];
      importing.push_back({f.name.c_str(), static_cast<unsigned>(f.name.size()), TypeCode(f.type),
                           f.length, a.valueRecord_.data() + valueOffsets[r.index]});
    }
  }
  importing.push_back({nullptr, 0, 0, 0, nullptr});
  char* exception = nullptr;
  result = rfc_.RfcReceive(connection, importing.data(), tables.data(), &exception);
  if (result != kRfcOk) {
    Outcome failed = CallOutcome(result, exception, a);
    // The system lacks the function module: still the system failure the
    // library reports, but known for what it is.
    if (failed.EndsConnection() && SaysFunctionNotFound(failed.Texts()))
      failed = Outcome::FunctionNotFoundAsSystemFailure(call.function(), failed.Texts());
    return ended(failed);
  }

  a.values_ = std::make_unique<RecordRows>(
      values, std::vector<const unsigned char*>{a.valueRecord_.data()});
  for (size_t i = 0; i < call.structures().size(); ++i)
    a.structures_.push_back(std::make_unique<RecordRows>(
        *call.structures()[i].type,
        std::vector<const unsigned char*>{a.structureRecords_[i].data()}));
  // Every row of a table that is read is looked up now; the rows stay
  // where the library keeps them until the answer is released.
  for (size_t i = 0; i < call.tables().size(); ++i) {
    const FunctionCall::Part& part = call.tables()[i];
    std::vector<const unsigned char*> rows;
    if (part.rowsRead) {
      unsigned count = rfc_.ItFill(a.handles_[i]);
      rows.reserve(count);
      for (unsigned line = 1; line <= count; ++line) {
        const void* row = rfc_.ItGetLine(a.handles_[i], line);
        if (row == nullptr) {
          a.Abandon();
          return Outcome::LibraryFailed("ItGetLine " + part.name, a.Texts());
        }
        rows.push_back(static_cast<const unsigned char*>(row));
      }
    }
    a.tables_.push_back(std::make_unique<RecordRows>(*part.type, std::move(rows)));
  }
  call.SetAnswer(std::move(answer));
  return Outcome::Ok();
}

Outcome ClassicRfcClient::DescribeTable(ConnectionId connection, const std::string& function,
                                        const std::string& table, RowType* type,
                                        RowType* importing) {
  *type = RowType{};
  if (importing != nullptr) *importing = RowType{};
  std::string rowType;
  {
    FunctionCall call("RFC_GET_FUNCTION_INTERFACE");
    call.Send("FUNCNAME", AbapType::kChar, 30, function);
    call.Send("NONE_UNICODE_LENGTH", AbapType::kChar, 1, "X");
    call.AddTable("PARAMS", kRfcFunint);
    Outcome outcome = Invoke(connection, call);
    if (outcome.IsException("FU_NOT_FOUND"))
      return Outcome::FunctionNotFound(function, outcome.Texts());
    if (!outcome.ok()) return outcome;
    const TableRows& params = *call.Table("PARAMS");
    int paramClass = kRfcFunint.FieldIndex("PARAMCLASS");
    int parameter = kRfcFunint.FieldIndex("PARAMETER");
    int tabName = kRfcFunint.FieldIndex("TABNAME");
    int exid = kRfcFunint.FieldIndex("EXID"), length = kRfcFunint.FieldIndex("INTLENGTH"),
        decimals = kRfcFunint.FieldIndex("DECIMALS");
    for (std::size_t row = 0; row < params.size(); ++row) {
      std::string_view kind = Trimmed(params.Text(row, paramClass));
      if (kind == "T" && Trimmed(params.Text(row, parameter)) == table)
        rowType = std::string(Trimmed(params.Text(row, tabName)));
      if (kind == "I" && importing != nullptr) {
        std::string_view letter = params.Text(row, exid);
        importing->fields.push_back({std::string(Trimmed(params.Text(row, parameter))),
                                     TypeOfLetter(letter.empty() ? ' ' : letter[0]),
                                     static_cast<unsigned>(params.Integer(row, length)),
                                     static_cast<unsigned>(params.Integer(row, decimals)), 0});
      }
    }
    outcome = call.Release();
    if (!outcome.ok() || rowType.empty()) return outcome;
  }
  FunctionCall call("RFC_GET_STRUCTURE_DEFINITION");
  call.Send("TABNAME", AbapType::kChar, 30, rowType);
  call.Send("UCLEN", AbapType::kRaw, 1, std::string(1, '\x01'));  // one byte per character
  call.AddTable("FIELDS", kRfcFields);
  Outcome outcome = Invoke(connection, call);
  if (!outcome.ok()) return outcome;
  const TableRows& fields = *call.Table("FIELDS");
  int name = kRfcFields.FieldIndex("FIELDNAME"), offset = kRfcFields.FieldIndex("OFFSET"),
      length = kRfcFields.FieldIndex("INTLENGTH"), decimals = kRfcFields.FieldIndex("DECIMALS"),
      exid = kRfcFields.FieldIndex("EXID");
  type->name = rowType;
  type->layoutGiven = true;
  for (std::size_t row = 0; row < fields.size(); ++row) {
    std::string_view letter = fields.Text(row, exid);
    FieldDescription f;
    f.name = std::string(Trimmed(fields.Text(row, name)));
    f.type = TypeOfLetter(letter.empty() ? ' ' : letter[0]);
    f.length = static_cast<unsigned>(fields.Integer(row, length));
    f.decimals = static_cast<unsigned>(fields.Integer(row, decimals));
    f.offset = static_cast<unsigned>(fields.Integer(row, offset));
    type->fields.push_back(std::move(f));
  }
  return call.Release();
}

Outcome ClassicRfcClient::Describe(ConnectionId, const std::string& function,
                                   FunctionDescription*) {
  return Outcome::Failed("the description of " + function + " is not asked of this library");
}

LibraryTexts ClassicRfcClient::LastError() { return LastErrorOf(rfc_); }
