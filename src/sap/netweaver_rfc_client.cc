#include "sap/netweaver_rfc_client.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/mutex.h"
#include "sap/destination_file.h"
#include "sap/netweaver_logon.h"
#include "sap/utf16_text.h"

namespace {

constexpr const char kIniFile[] = "SapRfc.ini";
/// Longest character or byte value read from the library.
constexpr unsigned kMaxCharLength = 65535;
/// Room for the text of a packed number: 31 digits, sign and point.
constexpr unsigned kPackedTextLength = 80;

const char* RcName(NwRc rc) {
  static const char* const kNames[] = {"RFC_OK",
                                       "RFC_COMMUNICATION_FAILURE",
                                       "RFC_LOGON_FAILURE",
                                       "RFC_ABAP_RUNTIME_FAILURE",
                                       "RFC_ABAP_MESSAGE",
                                       "RFC_ABAP_EXCEPTION",
                                       "RFC_CLOSED",
                                       "RFC_CANCELED",
                                       "RFC_TIMEOUT",
                                       "RFC_MEMORY_INSUFFICIENT",
                                       "RFC_VERSION_MISMATCH",
                                       "RFC_INVALID_PROTOCOL",
                                       "RFC_SERIALIZATION_FAILURE",
                                       "RFC_INVALID_HANDLE",
                                       "RFC_RETRY",
                                       "RFC_EXTERNAL_FAILURE",
                                       "RFC_EXECUTED",
                                       "RFC_NOT_FOUND",
                                       "RFC_NOT_SUPPORTED",
                                       "RFC_ILLEGAL_STATE",
                                       "RFC_INVALID_PARAMETER",
                                       "RFC_CODEPAGE_CONVERSION_FAILURE",
                                       "RFC_CONVERSION_FAILURE",
                                       "RFC_BUFFER_TOO_SMALL",
                                       "RFC_TABLE_MOVE_BOF",
                                       "RFC_TABLE_MOVE_EOF",
                                       "RFC_START_SAPGUI_FAILURE",
                                       "RFC_ABAP_CLASS_EXCEPTION",
                                       "RFC_UNKNOWN_ERROR",
                                       "RFC_AUTHORIZATION_FAILURE",
                                       "RFC_AUTHENTICATION_FAILURE",
                                       "RFC_CRYPTOLIB_FAILURE",
                                       "RFC_IO_FAILURE",
                                       "RFC_LOCKING_FAILURE"};
  int index = static_cast<int>(rc);
  return index >= 0 && index < static_cast<int>(std::size(kNames)) ? kNames[index]
                                                                   : "RFC_UNKNOWN_ERROR";
}

/// A UTF-16 text of the library's error record.
template <size_t N>
std::string RecordText(const NwChar (&field)[N]) {
  return CodePageFromUtf16(TerminatedUtf16(field, N));
}

/// A fresh error record, so that nothing stale is read after a failure
/// that does not fill it.
NwErrorInfo ClearedError() {
  NwErrorInfo error;
  std::memset(&error, 0, sizeof error);
  return error;
}

/// The texts of a failure the library reported in |error| while doing
/// |operation|: its key, its return code, its message (or that the
/// operation failed) and the ABAP message.
LibraryTexts TextsOf(const NwErrorInfo& error, const std::string& operation) {
  LibraryTexts texts;
  texts.key = RecordText(error.key);
  texts.status = RcName(error.code);
  texts.message = RecordText(error.message);
  if (texts.message.empty()) texts.message = operation + " failed";
  std::string msgClass = RecordText(error.abapMsgClass);
  if (!msgClass.empty())
    texts.internalStatus =
        msgClass + " " + RecordText(error.abapMsgType) + " " + RecordText(error.abapMsgNumber);
  return texts;
}

/// The texts of a failure of the sensor's own use of the library.
LibraryTexts ProgramTexts(std::string message) {
  return {"RFC_ERROR_PROGRAM", "", std::move(message), ""};
}

/// The library's type code of |type|.
NwType TypeCode(AbapType type) {
  switch (type) {
    case AbapType::kChar: return kNwTypeChar;
    case AbapType::kDate: return kNwTypeDate;
    case AbapType::kTime: return kNwTypeTime;
    case AbapType::kNumText: return kNwTypeNum;
    case AbapType::kPacked: return kNwTypeBcd;
    case AbapType::kRaw: return kNwTypeByte;
    case AbapType::kInt: return kNwTypeInt;
    case AbapType::kInt2: return kNwTypeInt2;
    case AbapType::kInt1: return kNwTypeInt1;
    case AbapType::kFloat: return kNwTypeFloat;
  }
  return kNwTypeChar;
}

bool IsCharLike(AbapType type) {
  return type == AbapType::kChar || type == AbapType::kDate || type == AbapType::kTime ||
         type == AbapType::kNumText;
}

/// What the system says of a field or parameter: its type, its length in
/// a non-Unicode record and its decimals.
struct SystemField {
  NwType type;
  unsigned length;
  unsigned decimals;
};

/// Rows read from the library, kept by field: one column per field of the
/// row type, text and raw fields as one string of fixed-width slots.
class ReadRows : public TableRows {
 public:
  explicit ReadRows(const RowType& type) : type_(type), columns_(type.fields.size()) {}

  const RowType& Type() const override { return type_; }
  std::size_t size() const override { return rows_; }
  std::string_view Text(std::size_t row, int field) const override {
    const FieldDescription& f = type_.fields[field];
    std::string_view slot(columns_[field].bytes.data() + row * f.length, f.length);
    if (f.type == AbapType::kRaw) return slot;
    return slot.substr(0, std::min(slot.size(), slot.find('\0')));
  }
  std::int64_t Integer(std::size_t row, int field) const override {
    return columns_[field].integers[row];
  }
  Decimal Packed(std::size_t row, int field) const override { return columns_[field].packed[row]; }

  struct Column {
    std::string bytes;
    std::vector<std::int64_t> integers;
    std::vector<Decimal> packed;
  };
  void Reserve(std::size_t rows) {
    for (size_t i = 0; i < columns_.size(); ++i) {
      const FieldDescription& f = type_.fields[i];
      if (f.type == AbapType::kPacked)
        columns_[i].packed.reserve(rows);
      else if (IsCharLike(f.type) || f.type == AbapType::kRaw)
        columns_[i].bytes.reserve(rows * f.length);
      else
        columns_[i].integers.reserve(rows);
    }
  }
  Column& column(size_t field) { return columns_[field]; }
  void AddRow() { ++rows_; }

 private:
  const RowType& type_;
  std::vector<Column> columns_;
  std::size_t rows_ = 0;
};

/// The answer of a call: everything read, nothing left in the library.
class ReadAnswer : public CallAnswer {
 public:
  explicit ReadAnswer(const FunctionCall& call) : values_(call.received()) {}
  const TableRows& Values() const override { return values_; }
  const TableRows& Structure(std::size_t index) const override { return *structures_[index]; }
  const TableRows& Table(std::size_t index) const override { return *tables_[index]; }
  Outcome Release() override { return Outcome::Ok(); }

  ReadRows values_;
  std::vector<std::unique_ptr<ReadRows>> structures_;
  std::vector<std::unique_ptr<ReadRows>> tables_;
};

}  // namespace

/// The client; see netweaver_rfc_client.h.
class NetWeaverRfcClient : public RfcClient {
 public:
  explicit NetWeaverRfcClient(const NwRfcFunctions& functions, std::string directory = ".");
  static std::unique_ptr<NetWeaverRfcClient> Open(std::unique_ptr<SharedLibrary> library,
                                                  std::string* missing);
  ~NetWeaverRfcClient() override;

  void InstallErrorHandler(LibraryErrorHandler, void*) override {}
  ConnectionId Open(const LogonData& logon) override;
  ConnectionId OpenDestination(const DestinationLogon& logon) override;
  /// The destination file read instead of "SapRfc.ini" in the directory.
  void UseDestinationFile(const std::string& path) override;
  Outcome Invoke(ConnectionId connection, FunctionCall& call) override;
  /// From the function's description: the table parameter's type and
  /// its fields by index, in the one-byte-per-character layout.
  Outcome DescribeTable(ConnectionId connection, const std::string& function,
                        const std::string& table, RowType* type, RowType* importing) override;
  Outcome Describe(ConnectionId connection, const std::string& function,
                   FunctionDescription* description) override;
  void Close(ConnectionId connection) override;
  void CloseAll() override;
  LibraryTexts LastError() override;
  /// RfcCancel on every connection in a call. A logon still under way has
  /// no connection handle yet and cannot be cancelled; nor can anything
  /// with a library that lacks RfcCancel.
  void CancelRunningCalls() override;
  /// "dev_rfc.trc", where the library writes its trace.
  std::vector<std::string> TraceFileNames() const override { return {"dev_rfc.trc"}; }
  std::string LibraryKind() const override { return "NetWeaver"; }
  /// "MAJOR.MINOR.PATCHLEVEL" from RfcGetVersion; for a library without
  /// it the file version of its version resource (Windows), else empty.
  std::string LibraryVersion() const override;
  bool ChecksLogonAtOpen() const override { return true; }
  bool ReadsDescriptions() const override { return true; }
  /// The library's failures are in the outcomes, not in a file the
  /// sensor's trace-file check reads.
  bool LogsErrorsInTraceFile() const override { return false; }
  /// Whether a call that carries each of |types| has gone through the
  /// library (answered, or with an ABAP exception): the library learns a
  /// structure's description at its first call and keeps it, so one after
  /// another the first system that needs it is the one it is learnt
  /// through.
  bool RowTypesDescribed(const std::vector<const RowType*>& types) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

struct NetWeaverRfcClient::State {
  std::unique_ptr<SharedLibrary> library;  // null when linked directly
  NwRfcFunctions nw;
  NwGetVersionFn getVersion = nullptr;  // null when the library lacks it
  std::string directory;

  /// Guards everything below but the cancel list.
  Mutex mutex;
  std::string destinationFile GUARDED_BY(mutex);  // empty: kIniFile in the directory
  std::unordered_map<ConnectionId, NwConnectionHandle> connections GUARDED_BY(mutex);
  ConnectionId nextHandle GUARDED_BY(mutex) = 1;
  /// Connections in a call: no other thread closes them.
  std::unordered_set<ConnectionId> invoking GUARDED_BY(mutex);
  /// The last failure of each thread.
  std::unordered_map<std::thread::id, LibraryTexts> failures GUARDED_BY(mutex);
  /// The row types of the calls the library has carried.
  std::unordered_set<std::string> described GUARDED_BY(mutex);

  /// The connections whose calls CancelRunningCalls cancels, under a mutex
  /// of their own: the thread that cancels must never wait for one in a
  /// call. A call's entry goes before its thread can close the connection.
  Mutex cancelMutex;
  std::unordered_map<ConnectionId, NwConnectionHandle> cancellable GUARDED_BY(cancelMutex);

  /// Keeps |texts| as this thread's last failure and gives them back.
  LibraryTexts Fail(LibraryTexts texts) EXCLUDES(mutex) {
    MutexLock lock(mutex);
    failures[std::this_thread::get_id()] = texts;
    return texts;
  }

  /// Opens a connection with |parameters|; 0 on failure.
  ConnectionId Connect(const NwLogonParameters& parameters) EXCLUDES(mutex) {
    std::vector<std::u16string> texts;
    texts.reserve(2 * parameters.size());
    for (const auto& [name, value] : parameters) {
      texts.push_back(Utf16FromCodePage(name));
      texts.push_back(Utf16FromCodePage(value));
    }
    std::vector<NwConnectionParameter> list;
    for (size_t i = 0; i < texts.size(); i += 2)
      list.push_back({texts[i].c_str(), texts[i + 1].c_str()});
    NwErrorInfo error = ClearedError();
    NwConnectionHandle connection =
        nw.RfcOpenConnection(list.data(), static_cast<unsigned>(list.size()), &error);
    if (connection == nullptr) {
      Fail(TextsOf(error, "RfcOpenConnection"));
      return 0;
    }
    MutexLock lock(mutex);
    ConnectionId handle = nextHandle;
    while (handle == 0 || connections.count(handle) != 0) ++handle;
    nextHandle = handle + 1;
    connections[handle] = connection;
    return handle;
  }

  void CloseLocked(ConnectionId handle) REQUIRES(mutex) {
    // A connection in a call on another thread is left to that thread;
    // closing it under the call would use it on two threads at once.
    if (invoking.count(handle) != 0) return;
    auto found = connections.find(handle);
    if (found == connections.end()) return;
    NwErrorInfo error = ClearedError();
    nw.RfcCloseConnection(found->second, &error);
    connections.erase(found);
  }
};

namespace {

/// Whether a failed lookup of a function's description says the system
/// has no such function module: the library's own "not found", or the
/// metadata module's exception FU_NOT_FOUND, which it hands on.
bool LookupSaysNotFound(const NwErrorInfo& error) {
  return error.code == kNwNotFound ||
         (error.code == kNwAbapException && RecordText(error.key) == "FU_NOT_FOUND");
}

/// The field type of a library type code; a type the sensor does not read
/// is taken as bytes.
AbapType TypeOfCode(NwType type) {
  switch (type) {
    case kNwTypeChar: return AbapType::kChar;
    case kNwTypeDate: return AbapType::kDate;
    case kNwTypeTime: return AbapType::kTime;
    case kNwTypeNum: return AbapType::kNumText;
    case kNwTypeBcd: return AbapType::kPacked;
    case kNwTypeInt: return AbapType::kInt;
    case kNwTypeInt2: return AbapType::kInt2;
    case kNwTypeInt1: return AbapType::kInt1;
    case kNwTypeFloat: return AbapType::kFloat;
    default: return AbapType::kRaw;
  }
}

/// One call on one connection, from the description to the answer read.
class NwCall {
 public:
  NwCall(const NwRfcFunctions& nw, FunctionCall& call) : nw_(nw), call_(call) {}
  ~NwCall() {
    if (function_ == nullptr) return;
    NwErrorInfo error = ClearedError();
    nw_.RfcDestroyFunction(function_, &error);
  }

  /// Describes and creates the function and sets the values sent.
  Outcome Prepare(NwConnectionHandle connection) {
    std::u16string name16 = Utf16FromCodePage(call_.function());
    NwErrorInfo error = ClearedError();
    description_ = nw_.RfcGetFunctionDesc(connection, name16.c_str(), &error);
    if (description_ == nullptr) {
      LibraryTexts texts = TextsOf(error, "description of " + call_.function());
      if (LookupSaysNotFound(error)) return Outcome::FunctionNotFound(call_.function(), texts);
      return Outcome::CallFailed(texts);
    }
    function_ = nw_.RfcCreateFunction(description_, &error);
    if (function_ == nullptr)
      return Outcome::CallFailed(TextsOf(error, "function " + call_.function()));
    for (const FunctionCall::Sent& sent : call_.sent()) {
      NwParameterDesc desc;
      if (!Describe(sent.field.name, &desc)) return Failed();
      if (sent.field.type == AbapType::kInt && desc.type == kNwTypeInt &&
          nw_.RfcSetInt != nullptr) {
        std::u16string field16 = Utf16FromCodePage(sent.field.name);
        if (nw_.RfcSetInt(function_, field16.c_str(),
                          static_cast<std::int32_t>(std::stol(sent.text)), &error) != kNwOk)
          return Failed(TextsOf(error, "setting " + sent.field.name));
        continue;
      }
      if (!IsCharLike(sent.field.type) || desc.type != TypeCode(sent.field.type))
        return Failed(ProgramTexts("parameter " + sent.field.name + " of " + call_.function() +
                                   " cannot be sent with type " +
                                   std::to_string(TypeCode(sent.field.type))));
      // The value cut to the parameter's length in the system.
      std::u16string value = Utf16FromCodePage(std::string_view(sent.text).substr(
          0, std::min<size_t>(sent.text.size(), desc.nucLength)));
      std::u16string field16 = Utf16FromCodePage(sent.field.name);
      if (nw_.RfcSetChars(function_, field16.c_str(), value.data(),
                          static_cast<unsigned>(value.size()), &error) != kNwOk)
        return Failed(TextsOf(error, "setting " + sent.field.name));
    }
    for (const FunctionCall::Part& table : call_.tables()) {
      NwParameterDesc desc;
      if (!Describe(table.name, &desc)) return Failed();
      if (desc.type != kNwTypeTable)
        return Failed(ProgramTexts("table " + table.name + " of " + call_.function() +
                                   " does not fit its description"));
    }
    return DeactivateTablesNotRead();
  }

  NwDataHandle function() const { return function_; }

  /// Makes every table of the function that the call does not read
  /// inactive, so that the system neither fills nor sends it (the
  /// collector's modules fill several large tables, of which the sensor
  /// reads one). Without the library's functions for it, every table stays
  /// active.
  Outcome DeactivateTablesNotRead() {
    if (nw_.RfcGetParameterCount == nullptr || nw_.RfcGetParameterDescByIndex == nullptr ||
        nw_.RfcSetParameterActive == nullptr)
      return Outcome::Ok();
    NwErrorInfo error = ClearedError();
    unsigned count = 0;
    if (nw_.RfcGetParameterCount(description_, &count, &error) != kNwOk)
      return Failed(TextsOf(error, "parameters of " + call_.function()));
    for (unsigned i = 0; i < count; ++i) {
      NwParameterDesc desc;
      std::memset(&desc, 0, sizeof desc);
      if (nw_.RfcGetParameterDescByIndex(description_, i, &desc, &error) != kNwOk)
        return Failed(TextsOf(error, "parameters of " + call_.function()));
      if (desc.direction != kNwTables) continue;
      std::string name = RecordText(desc.name);
      const auto& read = call_.tables();
      if (std::any_of(read.begin(), read.end(),
                      [&](const FunctionCall::Part& table) { return table.name == name; }))
        continue;
      if (nw_.RfcSetParameterActive(function_, desc.name, 0, &error) != kNwOk)
        return Failed(TextsOf(error, "table " + name + " of " + call_.function()));
    }
    return Outcome::Ok();
  }

  /// Reads the values, structures and tables received.
  Outcome Read() {
    auto answer = std::make_unique<ReadAnswer>(call_);
    const RowType& values = call_.received();
    for (size_t i = 0; i < values.fields.size(); ++i) {
      NwParameterDesc desc;
      if (!Describe(values.fields[i].name, &desc)) return Failed();
      if (!ReadField(function_, values.fields[i], {desc.type, desc.nucLength, desc.decimals},
                     answer->values_.column(i)))
        return Failed();
    }
    answer->values_.AddRow();
    for (const FunctionCall::Part& part : call_.structures()) {
      auto rows = std::make_unique<ReadRows>(*part.type);
      NwParameterDesc desc;
      if (!Describe(part.name, &desc)) return Failed();
      if (desc.type != kNwTypeStructure)
        return Failed(ProgramTexts("parameter " + part.name + " is no structure"));
      std::vector<SystemField> fields;
      if (!DescribeFields(desc.typeDescHandle, *part.type, &fields)) return Failed();
      NwDataHandle structure = nullptr;
      NwErrorInfo error = ClearedError();
      std::u16string name16 = Utf16FromCodePage(part.name);
      if (nw_.RfcGetStructure(function_, name16.c_str(), &structure, &error) != kNwOk)
        return Failed(TextsOf(error, "structure " + part.name));
      if (!ReadRow(structure, *part.type, fields, *rows)) return Failed();
      answer->structures_.push_back(std::move(rows));
    }
    for (const FunctionCall::Part& part : call_.tables()) {
      auto rows = std::make_unique<ReadRows>(*part.type);
      if (part.rowsRead && !ReadTable(part, *rows)) return Failed();
      answer->tables_.push_back(std::move(rows));
    }
    call_.SetAnswer(std::move(answer));
    return Outcome::Ok();
  }

  /// The failure found last, or |texts|.
  Outcome Failed(std::optional<LibraryTexts> texts = std::nullopt) {
    if (texts) failure_ = std::move(*texts);
    return Outcome::CallFailed(failure_);
  }

 private:
  bool Describe(const std::string& name, NwParameterDesc* desc) {
    std::memset(desc, 0, sizeof *desc);
    NwErrorInfo error = ClearedError();
    std::u16string name16 = Utf16FromCodePage(name);
    if (nw_.RfcGetParameterDescByName(description_, name16.c_str(), desc, &error) == kNwOk)
      return true;
    failure_ = TextsOf(error, "parameter " + name + " of " + call_.function());
    return false;
  }

  /// What the system says of each field of |type|, looked up once.
  bool DescribeFields(NwTypeDescHandle typeDesc, const RowType& type,
                      std::vector<SystemField>* fields) {
    for (const FieldDescription& f : type.fields) {
      NwFieldDesc desc;
      std::memset(&desc, 0, sizeof desc);
      NwErrorInfo error = ClearedError();
      std::u16string name16 = Utf16FromCodePage(f.name);
      if (nw_.RfcGetFieldDescByName(typeDesc, name16.c_str(), &desc, &error) != kNwOk) {
        failure_ = TextsOf(error, "field " + f.name + " of " + type.name);
        return false;
      }
      fields->push_back({desc.type, desc.nucLength, desc.decimals});
    }
    return true;
  }

  bool ReadTable(const FunctionCall::Part& part, ReadRows& rows) {
    NwParameterDesc desc;
    if (!Describe(part.name, &desc)) return false;
    std::vector<SystemField> fields;
    if (!DescribeFields(desc.typeDescHandle, *part.type, &fields)) return false;
    std::u16string name16 = Utf16FromCodePage(part.name);
    NwDataHandle table = nullptr;
    unsigned count = 0;
    NwErrorInfo error = ClearedError();
    if (nw_.RfcGetTable(function_, name16.c_str(), &table, &error) != kNwOk ||
        nw_.RfcGetRowCount(table, &count, &error) != kNwOk) {
      failure_ = TextsOf(error, "table " + part.name);
      return false;
    }
    rows.Reserve(count);
    for (unsigned i = 0; i < count; ++i) {
      NwDataHandle row = nullptr;
      if (nw_.RfcMoveTo(table, i, &error) != kNwOk ||
          (row = nw_.RfcGetCurrentRow(table, &error)) == nullptr) {
        failure_ = TextsOf(error, "row of " + part.name);
        return false;
      }
      if (!ReadRow(row, *part.type, fields, rows)) return false;
    }
    return true;
  }

  bool ReadRow(NwDataHandle data, const RowType& type, const std::vector<SystemField>& fields,
               ReadRows& rows) {
    for (size_t i = 0; i < type.fields.size(); ++i)
      if (!ReadField(data, type.fields[i], fields[i], rows.column(i))) return false;
    rows.AddRow();
    return true;
  }

  /// Reads the field |f| of |data|, which the system describes as
  /// |system|, onto the end of |column|.
  bool ReadField(NwDataHandle data, const FieldDescription& f, const SystemField& system,
                 ReadRows::Column& column) {
    if (system.type != TypeCode(f.type)) {
      failure_ = ProgramTexts("field " + f.name + " has type " + std::to_string(system.type) +
                              " in the system, " + std::to_string(TypeCode(f.type)) + " here");
      return false;
    }
    std::u16string name16 = Utf16FromCodePage(f.name);
    NwErrorInfo error = ClearedError();
    NwRc rc = kNwOk;
    if (IsCharLike(f.type)) {
      unsigned units = std::min(std::max(f.length, system.length), kMaxCharLength);
      std::u16string buffer(units, u' ');
      rc = nw_.RfcGetChars(data, name16.c_str(), buffer.data(), units, &error);
      std::string text = rc == kNwOk ? CodePageFromUtf16(buffer) : std::string();
      text.resize(f.length, ' ');
      column.bytes += text;
    } else if (f.type == AbapType::kRaw) {
      unsigned size = std::min(std::max(f.length, system.length), kMaxCharLength);
      std::string buffer(size, '\0');
      rc = nw_.RfcGetBytes(data, name16.c_str(), reinterpret_cast<std::uint8_t*>(buffer.data()),
                           size, &error);
      buffer.resize(f.length, '\0');
      column.bytes += buffer;
    } else if (f.type == AbapType::kPacked) {
      NwChar buffer[kPackedTextLength] = {};
      unsigned textLength = 0;
      rc = nw_.RfcGetString(data, name16.c_str(), buffer, kPackedTextLength, &textLength, &error);
      if (rc == kNwOk) {
        // The text has the decimals of the system's description.
        std::string text = CodePageFromUtf16(TerminatedUtf16(buffer, kPackedTextLength));
        std::optional<Decimal> value = Decimal::FromText(text);
        if (value) value = value->WithDecimals(system.decimals);
        if (!value || value->digits().size() > 2 * f.length - 1) {
          failure_ =
              ProgramTexts("value " + text + " of " + f.name + " does not fit a packed field of " +
                           std::to_string(f.length) + " bytes");
          return false;
        }
        column.packed.push_back(*value);
      }
    } else if (f.type == AbapType::kInt) {
      std::int32_t value = 0;
      rc = nw_.RfcGetInt(data, name16.c_str(), &value, &error);
      column.integers.push_back(value);
    } else if (f.type == AbapType::kInt2) {
      std::int16_t value = 0;
      rc = nw_.RfcGetInt2(data, name16.c_str(), &value, &error);
      column.integers.push_back(value);
    } else if (f.type == AbapType::kInt1) {
      std::uint8_t value = 0;
      rc = nw_.RfcGetInt1(data, name16.c_str(), &value, &error);
      column.integers.push_back(value);
    } else {
      double value = 0;
      rc = nw_.RfcGetFloat(data, name16.c_str(), &value, &error);
      column.integers.push_back(static_cast<std::int64_t>(value));
    }
    if (rc != kNwOk) {
      failure_ = TextsOf(error, "reading " + f.name);
      return false;
    }
    return true;
  }

  const NwRfcFunctions& nw_;
  FunctionCall& call_;
  NwFunctionDescHandle description_ = nullptr;
  NwDataHandle function_ = nullptr;
  LibraryTexts failure_;
};

}  // namespace

NetWeaverRfcClient::NetWeaverRfcClient(const NwRfcFunctions& functions, std::string directory)
    : state_(std::make_unique<State>()) {
  state_->nw = functions;
  state_->directory = std::move(directory);
}

std::unique_ptr<NetWeaverRfcClient> NetWeaverRfcClient::Open(std::unique_ptr<SharedLibrary> library,
                                                             std::string* missing) {
  NwRfcFunctions functions;
  missing->clear();
  ForEachNwRfcFunction(functions, [&](const char* name, auto* entry) {
    *entry = library->FindFunction<std::remove_reference_t<decltype(*entry)>>(name);
    if (*entry == nullptr && missing->empty()) *missing = name;
  });
  if (!missing->empty()) return nullptr;
  auto client = std::make_unique<NetWeaverRfcClient>(functions);
  client->state_->getVersion = library->FindFunction<NwGetVersionFn>("RfcGetVersion");
  client->state_->nw.RfcCancel = library->FindFunction<NwCancelFn>("RfcCancel");
  client->state_->nw.RfcGetFieldCount =
      library->FindFunction<NwGetFieldCountFn>("RfcGetFieldCount");
  client->state_->nw.RfcGetFieldDescByIndex =
      library->FindFunction<NwGetFieldDescByIndexFn>("RfcGetFieldDescByIndex");
  client->state_->nw.RfcSetInt = library->FindFunction<NwSetIntFn>("RfcSetInt");
  client->state_->nw.RfcGetParameterCount =
      library->FindFunction<NwGetParameterCountFn>("RfcGetParameterCount");
  client->state_->nw.RfcGetParameterDescByIndex =
      library->FindFunction<NwGetParameterDescByIndexFn>("RfcGetParameterDescByIndex");
  client->state_->nw.RfcSetParameterActive =
      library->FindFunction<NwSetParameterActiveFn>("RfcSetParameterActive");
  client->state_->library = std::move(library);
  return client;
}

// The connections are closed while the library is still loaded: the state
// releases the library after everything else.
NetWeaverRfcClient::~NetWeaverRfcClient() { CloseAll(); }

std::string NetWeaverRfcClient::LibraryVersion() const {
  if (state_->getVersion == nullptr)
    return state_->library != nullptr ? state_->library->FileVersion() : std::string();
  unsigned major = 0, minor = 0, patchLevel = 0;
  state_->getVersion(&major, &minor, &patchLevel);
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patchLevel);
}

ConnectionId NetWeaverRfcClient::Open(const LogonData& logon) {
  std::string refusal;
  NwLogonParameters parameters = LogonFromData(logon, &refusal);
  if (parameters.empty()) {
    state_->Fail(ProgramTexts(refusal));
    return 0;
  }
  return state_->Connect(parameters);
}

ConnectionId NetWeaverRfcClient::OpenDestination(const DestinationLogon& logon) {
  State& s = *state_;
  std::string path;
  {
    MutexLock lock(s.mutex);
    path = s.destinationFile.empty() ? s.directory + "/" + kIniFile : s.destinationFile;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ini;
  if (in) ini << in.rdbuf();
  std::optional<Destination> destination;
  const std::string* type = nullptr;
  if (!in) {
    s.Fail(ProgramTexts(std::string(kIniFile) + ": cannot be opened"));
  } else if (!(destination = FindDestination(ini.str(), logon.destination))) {
    s.Fail(ProgramTexts("Entry for destination " + logon.destination + " in SapRfc.ini not found"));
  } else if ((type = destination->Find("TYPE")) == nullptr ||
             (*type != "A" && *type != "a" && *type != "B" && *type != "b")) {
    s.Fail(ProgramTexts("TYPE=" + (type ? *type : std::string()) + " of destination " +
                        logon.destination + " is not supported"));
  } else {
    return s.Connect(LogonFromDestination(destination->entries, logon));
  }
  return 0;
}

void NetWeaverRfcClient::UseDestinationFile(const std::string& path) {
  MutexLock lock(state_->mutex);
  state_->destinationFile = path;
}

Outcome NetWeaverRfcClient::Invoke(ConnectionId handle, FunctionCall& call) {
  State& s = *state_;
  NwConnectionHandle connection = nullptr;
  {
    MutexLock lock(s.mutex);
    auto found = s.connections.find(handle);
    if (found != s.connections.end()) {
      connection = found->second;
      s.invoking.insert(handle);
    }
  }
  if (connection == nullptr) {
    return Outcome::CallFailed(s.Fail(ProgramTexts("invalid handle " + std::to_string(handle))));
  }
  // The connection is this thread's until the call is read.
  struct Invoking {
    State& s;
    ConnectionId handle;
    ~Invoking() {
      MutexLock lock(s.mutex);
      s.invoking.erase(handle);
    }
  } invoking{s, handle};

  NwCall nwCall(s.nw, call);
  Outcome outcome = nwCall.Prepare(connection);
  if (outcome.ok()) {
    NwErrorInfo error = ClearedError();
    {
      MutexLock lock(s.cancelMutex);
      s.cancellable[handle] = connection;
    }
    NwRc rc = s.nw.RfcInvoke(connection, nwCall.function(), &error);
    {
      MutexLock lock(s.cancelMutex);
      s.cancellable.erase(handle);
    }
    if (rc == kNwOk || rc == kNwAbapException) {
      MutexLock lock(s.mutex);
      for (const FunctionCall::Part& part : call.tables()) s.described.insert(part.type->name);
      for (const FunctionCall::Part& part : call.structures()) s.described.insert(part.type->name);
    }
    if (rc == kNwOk) {
      outcome = nwCall.Read();
    } else {
      LibraryTexts texts = TextsOf(error, call.function());
      if (rc == kNwAbapException)
        outcome = Outcome::Exception(RecordText(error.key), texts);
      else if (rc == kNwAbapRuntimeFailure || rc == kNwAbapMessage ||
               rc == kNwCommunicationFailure || rc == kNwClosed)
        outcome = Outcome::SystemFailure(RecordText(error.key), texts);  // a lost connection too
      else
        outcome = Outcome::CallFailed(texts);
    }
  }
  if (!outcome.ok()) s.Fail(outcome.Texts());
  return outcome;
}

Outcome NetWeaverRfcClient::DescribeTable(ConnectionId handle, const std::string& function,
                                          const std::string& table, RowType* type,
                                          RowType* importing) {
  *type = RowType{};
  if (importing != nullptr) *importing = RowType{};  // the library fits values itself
  State& s = *state_;
  if (s.nw.RfcGetFieldCount == nullptr || s.nw.RfcGetFieldDescByIndex == nullptr)
    return Outcome::FunctionNotFound(
        function, {"", "", "the library cannot list the fields of " + table, ""});
  NwConnectionHandle connection = nullptr;
  {
    MutexLock lock(s.mutex);
    auto found = s.connections.find(handle);
    if (found != s.connections.end()) connection = found->second;
  }
  if (connection == nullptr)
    return Outcome::CallFailed(s.Fail(ProgramTexts("invalid handle " + std::to_string(handle))));
  NwErrorInfo error = ClearedError();
  std::u16string name16 = Utf16FromCodePage(function);
  NwFunctionDescHandle description = s.nw.RfcGetFunctionDesc(connection, name16.c_str(), &error);
  if (description == nullptr) {
    LibraryTexts texts = TextsOf(error, "description of " + function);
    if (LookupSaysNotFound(error)) return Outcome::FunctionNotFound(function, texts);
    return Outcome::CallFailed(texts);
  }
  NwParameterDesc parameter;
  std::memset(&parameter, 0, sizeof parameter);
  std::u16string table16 = Utf16FromCodePage(table);
  if (s.nw.RfcGetParameterDescByName(description, table16.c_str(), &parameter, &error) != kNwOk ||
      parameter.type != kNwTypeTable)
    return Outcome::Ok();  // no such table
  unsigned count = 0;
  if (s.nw.RfcGetFieldCount(parameter.typeDescHandle, &count, &error) != kNwOk)
    return Outcome::CallFailed(TextsOf(error, "fields of " + table));
  type->name = table;
  type->layoutGiven = true;
  for (unsigned i = 0; i < count; ++i) {
    NwFieldDesc field;
    std::memset(&field, 0, sizeof field);
    if (s.nw.RfcGetFieldDescByIndex(parameter.typeDescHandle, i, &field, &error) != kNwOk)
      return Outcome::CallFailed(TextsOf(error, "field of " + table));
    type->fields.push_back({RecordText(field.name), TypeOfCode(field.type), field.nucLength,
                            field.decimals, field.nucOffset});
  }
  return Outcome::Ok();
}

bool NetWeaverRfcClient::RowTypesDescribed(const std::vector<const RowType*>& types) {
  MutexLock lock(state_->mutex);
  for (const RowType* type : types)
    if (state_->described.count(type->name) == 0) return false;
  return true;
}

Outcome NetWeaverRfcClient::Describe(ConnectionId, const std::string& function,
                                     FunctionDescription*) {
  return Outcome::Failed("the description of " + function + " is not asked of this library");
}

void NetWeaverRfcClient::Close(ConnectionId handle) {
  MutexLock lock(state_->mutex);
  state_->CloseLocked(handle);
}

void NetWeaverRfcClient::CloseAll() {
  State& s = *state_;
  MutexLock lock(s.mutex);
  std::vector<ConnectionId> open;
  for (const auto& [handle, connection] : s.connections) open.push_back(handle);
  for (ConnectionId handle : open) s.CloseLocked(handle);
}

LibraryTexts NetWeaverRfcClient::LastError() {
  MutexLock lock(state_->mutex);
  auto found = state_->failures.find(std::this_thread::get_id());
  return found != state_->failures.end() ? found->second : LibraryTexts();
}

void NetWeaverRfcClient::CancelRunningCalls() {
  State& s = *state_;
  if (s.nw.RfcCancel == nullptr) return;
  MutexLock lock(s.cancelMutex);
  for (const auto& [handle, connection] : s.cancellable) {
    NwErrorInfo error = ClearedError();
    s.nw.RfcCancel(connection, &error);
  }
}

std::unique_ptr<RfcClient> OpenNetWeaverRfcClient(std::unique_ptr<SharedLibrary> library,
                                                  std::string* missing) {
  return NetWeaverRfcClient::Open(std::move(library), missing);
}

std::unique_ptr<RfcClient> MakeNetWeaverRfcClient(const NwRfcFunctions& functions,
                                                  std::string directory) {
  return std::make_unique<NetWeaverRfcClient>(functions, std::move(directory));
}
