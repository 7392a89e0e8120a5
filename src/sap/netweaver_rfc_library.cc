#include "sap/netweaver_rfc_library.h"

#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sap/destination_file.h"
#include "sap/netweaver_logon.h"
#include "sap/packed_number.h"
#include "sap/utf16_text.h"

namespace {

constexpr const char kIniFile[] = "SapRfc.ini";
/// Longest parameter or table list read; a longer one counts as
/// unterminated.
constexpr size_t kMaxListEntries = 256;
/// Longest character value read from the library, in characters.
constexpr unsigned kMaxCharLength = 65535;
/// The first handle given to an installed structure, above every type code.
constexpr RfcType kFirstStructureHandle = 1000;

/// A field of an installed structure, laid out as the classic library does.
struct InstalledField {
  std::string name;
  std::u16string name16;
  RfcType type = kTypeChar;
  unsigned length = 0;
  unsigned decimals = 0;
  size_t offset = 0;
};

struct InstalledStructure {
  std::string name;
  std::vector<InstalledField> fields;
  size_t size = 0;
};

/// An internal table of the adapter: rows of one length, back to back.
struct AdapterTable {
  unsigned leng = 0;
  std::vector<std::uint8_t> bytes;
  unsigned Rows() const { return static_cast<unsigned>(bytes.size() / leng); }
};

/// A sent call waiting for RfcReceive.
struct PendingCall {
  NwDataHandle function = nullptr;
  NwFunctionDescHandle description = nullptr;
  std::string name;
};

bool IsCharLike(RfcType type) {
  return type == kTypeChar || type == kTypeDate || type == kTypeTime || type == kTypeNum;
}

/// Where a field of |type| and |length| starts after |end|: 2-byte
/// integers at even offsets, 4-byte integers at multiples of 4, floats at
/// multiples of 8, the rest anywhere.
size_t AlignedOffset(size_t end, RfcType type) {
  size_t align = type == kTypeInt2 ? 2 : type == kTypeInt ? 4 : type == kTypeFloat ? 8 : 1;
  return (end + align - 1) / align * align;
}

/// Whether |type| with |length| is a field the adapter can carry.
bool IsCarriedField(RfcType type, unsigned length) {
  switch (type) {
    case kTypeChar:
    case kTypeDate:
    case kTypeTime:
    case kTypeNum:
    case kTypeBcd:
    case kTypeByte: return length > 0;
    case kTypeInt: return length == 4;
    case kTypeInt2: return length == 2;
    case kTypeInt1: return length == 1;
    case kTypeFloat: return length == 8;
    default: return false;
  }
}

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

/// The text of a name field of a list entry: at most |nlen| characters,
/// ending early at a terminator.
std::string EntryName(const char* name, unsigned nlen) {
  return std::string(name, strnlen(name, nlen));
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

/// Sets every field of a record to its initial value: blanks for
/// character fields, "0" digits for date, time and numeric text, a packed
/// zero, zero bytes elsewhere.
void InitializeRecord(const InstalledStructure& s, std::uint8_t* record) {
  std::memset(record, 0, s.size);
  for (const InstalledField& f : s.fields) {
    std::uint8_t* at = record + f.offset;
    if (f.type == kTypeChar) std::memset(at, ' ', f.length);
    if (f.type == kTypeDate || f.type == kTypeTime || f.type == kTypeNum)
      std::memset(at, '0', f.length);
    if (f.type == kTypeBcd) EncodePackedInteger(0, at, f.length);
  }
}

}  // namespace

struct NetWeaverRfcLibrary::State {
  std::unique_ptr<SharedLibrary> library;  // null when linked directly
  NwRfcFunctions nw;
  NwGetVersionFn getVersion = nullptr;  // null when the library lacks it
  std::string directory;
  std::string destinationFile;  // empty: kIniFile in the directory
  RfcEnvironmentRecord environment{};

  std::unordered_map<RfcHandle, NwConnectionHandle> connections;
  RfcHandle nextHandle = 1;
  std::unordered_map<RfcHandle, PendingCall> pending;
  std::unordered_map<RfcType, InstalledStructure> structures;
  RfcType nextStructure = kFirstStructureHandle;
  std::unordered_map<ItHandle, std::unique_ptr<AdapterTable>> tables;

  /// Held by every operation of the adapter; let go while the library
  /// logs on or runs a call, so that other threads' connections go on.
  std::mutex mutex;
  /// Connections in a call that runs with the mutex let go: no other
  /// thread closes them.
  std::unordered_set<RfcHandle> invoking;
  /// The same calls for CancelRunningCalls, under a mutex of their own:
  /// the adapter's mutex may be held by a thread that waits for a system
  /// (a function module's description is fetched with it held), and the
  /// thread that cancels must not wait for that one. A call's entry goes
  /// before its thread can close the connection.
  std::mutex cancelMutex;
  std::unordered_map<RfcHandle, NwConnectionHandle> cancellable;
  /// The last error and exception name of each thread.
  struct Failure {
    RfcErrorInfo lastError{};
    std::string exception;
  };
  std::unordered_map<std::thread::id, Failure> failures;
  Failure& Mine() { return failures[std::this_thread::get_id()]; }

  /// Runs |work| with the mutex let go (it is held by the caller).
  template <typename Work>
  void LetGoWhile(Work&& work) {
    mutex.unlock();
    work();
    mutex.lock();
  }

  std::string PathOf(const char* name) const { return directory + "/" + name; }

  /// Records a failure for RfcLastError and the trace file.
  void Fail(const std::string& key, const std::string& status, const std::string& message,
            const std::string& internal) {
    RfcErrorInfo& lastError = Mine().lastError;
    StoreTerminated(key, lastError.key, sizeof lastError.key);
    StoreTerminated(status, lastError.status, sizeof lastError.status);
    StoreTerminated(message, lastError.message, sizeof lastError.message);
    StoreTerminated(internal, lastError.internalStatus, sizeof lastError.internalStatus);
    // "ERROR " and six more characters, then the text the trace-file check
    // reports.
    std::ofstream trace(PathOf(NetWeaverRfcLibrary::kTraceFileName), std::ios::app);
    std::string text = message.empty() ? key : message;
    for (char& c : text)
      if (c == '\n' || c == '\r') c = ' ';
    trace << "ERROR NWRFC " << text << '\n';
  }

  /// Records a failure the library reported in |error| while doing
  /// |operation|.
  void FailFrom(const NwErrorInfo& error, const std::string& operation) {
    std::string message = RecordText(error.message);
    std::string internal;
    std::string msgClass = RecordText(error.abapMsgClass);
    if (!msgClass.empty())
      internal =
          msgClass + " " + RecordText(error.abapMsgType) + " " + RecordText(error.abapMsgNumber);
    Fail(RecordText(error.key), RcName(error.code),
         message.empty() ? operation + " failed" : message, internal);
  }

  void FailProgram(const std::string& message) { Fail("RFC_ERROR_PROGRAM", "", message, ""); }

  void Destroy(PendingCall& call) {
    if (call.function == nullptr) return;
    NwErrorInfo error = ClearedError();
    nw.RfcDestroyFunction(call.function, &error);
    call.function = nullptr;
  }

  void DropPending(RfcHandle handle) {
    auto found = pending.find(handle);
    if (found == pending.end()) return;
    Destroy(found->second);
    pending.erase(found);
  }

  void Close(RfcHandle handle) {
    // A connection in a call on another thread is left to that thread;
    // closing it under the call would use it on two threads at once.
    if (invoking.count(handle) != 0) return;
    DropPending(handle);
    auto found = connections.find(handle);
    if (found == connections.end()) return;
    NwErrorInfo error = ClearedError();
    nw.RfcCloseConnection(found->second, &error);
    connections.erase(found);
  }

  /// Opens a connection with |parameters|; 0 on failure.
  RfcHandle Open(const NwLogonParameters& parameters) {
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
    NwConnectionHandle connection = nullptr;
    LetGoWhile([&] {
      connection = nw.RfcOpenConnection(list.data(), static_cast<unsigned>(list.size()), &error);
    });
    if (connection == nullptr) {
      FailFrom(error, "RfcOpenConnection");
      return 0;
    }
    RfcHandle handle = nextHandle;
    while (handle == 0 || connections.count(handle) != 0) ++handle;
    nextHandle = handle + 1;
    connections[handle] = connection;
    return handle;
  }

  /// Reads the value |name| of |data|, described by the library as
  /// |nwType| of |nwLength| bytes, into a classic field of |type| and
  /// |length| at |out|. False with the failure recorded.
  bool ReadValue(NwDataHandle data, const std::string& name, NwType nwType, unsigned nwLength,
                 RfcType type, unsigned length, unsigned decimals, std::uint8_t* out) {
    if (static_cast<RfcType>(nwType) != type || !IsCarriedField(type, length)) {
      FailProgram("field " + name + " has type " + std::to_string(nwType) + " in the system, " +
                  std::to_string(type) + " here");
      return false;
    }
    std::u16string name16 = Utf16FromCodePage(name);
    NwErrorInfo error = ClearedError();
    NwRc rc = kNwOk;
    if (IsCharLike(type)) {
      unsigned units = std::min(std::max(length, nwLength), kMaxCharLength);
      std::u16string buffer(units, u' ');
      rc = nw.RfcGetChars(data, name16.c_str(), buffer.data(), units, &error);
      if (rc == kNwOk) StoreField(CodePageFromUtf16(buffer), reinterpret_cast<char*>(out), length);
    } else if (type == kTypeBcd) {
      NwChar buffer[80] = {};
      unsigned textLength = 0;
      rc = nw.RfcGetString(data, name16.c_str(), buffer, 80, &textLength, &error);
      if (rc == kNwOk) {
        std::string text = CodePageFromUtf16(TerminatedUtf16(buffer, 80));
        if (!EncodePackedText(text, decimals, out, length)) {
          FailProgram("value " + text + " of " + name + " does not fit a packed field of " +
                      std::to_string(length) + " bytes");
          return false;
        }
      }
    } else if (type == kTypeByte) {
      unsigned size = std::min(std::max(length, nwLength), kMaxCharLength);
      std::vector<std::uint8_t> buffer(size, 0);
      rc = nw.RfcGetBytes(data, name16.c_str(), buffer.data(), size, &error);
      if (rc == kNwOk) {
        size_t copied = std::min<size_t>(size, length);
        std::memcpy(out, buffer.data(), copied);
        std::memset(out + copied, 0, length - copied);
      }
    } else if (type == kTypeInt) {
      std::int32_t value = 0;
      rc = nw.RfcGetInt(data, name16.c_str(), &value, &error);
      if (rc == kNwOk) std::memcpy(out, &value, sizeof value);
    } else if (type == kTypeInt2) {
      std::int16_t value = 0;
      rc = nw.RfcGetInt2(data, name16.c_str(), &value, &error);
      if (rc == kNwOk) std::memcpy(out, &value, sizeof value);
    } else if (type == kTypeInt1) {
      std::uint8_t value = 0;
      rc = nw.RfcGetInt1(data, name16.c_str(), &value, &error);
      if (rc == kNwOk) *out = value;
    } else {
      double value = 0;
      rc = nw.RfcGetFloat(data, name16.c_str(), &value, &error);
      if (rc == kNwOk) std::memcpy(out, &value, sizeof value);
    }
    if (rc != kNwOk) {
      FailFrom(error, "reading " + name);
      return false;
    }
    return true;
  }

  /// Reads the structure |data| of the system's type |typeDesc| into a
  /// record of |s| at |record| (of at least s.size bytes).
  bool ReadRecord(NwDataHandle data, NwTypeDescHandle typeDesc, const InstalledStructure& s,
                  std::uint8_t* record) {
    InitializeRecord(s, record);
    for (const InstalledField& f : s.fields) {
      NwFieldDesc field;
      std::memset(&field, 0, sizeof field);
      NwErrorInfo error = ClearedError();
      if (nw.RfcGetFieldDescByName(typeDesc, f.name16.c_str(), &field, &error) != kNwOk) {
        FailFrom(error, "field " + f.name + " of " + s.name);
        return false;
      }
      // A packed field's text has the decimals of the system's description.
      if (!ReadValue(data, f.name, field.type, field.nucLength, f.type, f.length, field.decimals,
                     record + f.offset))
        return false;
    }
    return true;
  }

  /// The parameter |name| of the pending call's function module.
  bool Describe(const PendingCall& call, const std::string& name, NwParameterDesc* desc) {
    std::memset(desc, 0, sizeof *desc);
    NwErrorInfo error = ClearedError();
    std::u16string name16 = Utf16FromCodePage(name);
    if (nw.RfcGetParameterDescByName(call.description, name16.c_str(), desc, &error) != kNwOk) {
      FailFrom(error, "parameter " + name + " of " + call.name);
      return false;
    }
    return true;
  }

  /// Sets the exporting values of a call; false with the failure recorded.
  bool SetExporting(const PendingCall& call, const RfcParameter* list) {
    size_t count = 0;
    for (const RfcParameter* p = list; p != nullptr && p->name != nullptr; ++p) {
      if (++count > kMaxListEntries) {
        FailProgram("unterminated parameter list in the call of " + call.name);
        return false;
      }
      std::string name = EntryName(p->name, p->nlen);
      NwParameterDesc desc;
      if (!Describe(call, name, &desc)) return false;
      if (!IsCharLike(p->type) || static_cast<RfcType>(desc.type) != p->type ||
          p->addr == nullptr) {
        FailProgram("parameter " + name + " of " + call.name + " cannot be sent with type " +
                    std::to_string(p->type));
        return false;
      }
      // The value cut to the parameter's length in the system.
      size_t length = std::min<size_t>(p->leng, desc.nucLength);
      std::u16string value =
          Utf16FromCodePage(std::string_view(static_cast<const char*>(p->addr), length));
      std::u16string name16 = Utf16FromCodePage(name);
      NwErrorInfo error = ClearedError();
      if (nw.RfcSetChars(call.function, name16.c_str(), value.data(),
                         static_cast<unsigned>(value.size()), &error) != kNwOk) {
        FailFrom(error, "setting " + name);
        return false;
      }
    }
    return true;
  }

  /// Checks that each table of a call is one of the module's tables and
  /// has an installed line structure and a live internal table whose rows
  /// hold a record.
  bool CheckTables(const PendingCall& call, const RfcTable* list) {
    size_t count = 0;
    for (const RfcTable* t = list; t != nullptr && t->name != nullptr; ++t) {
      if (++count > kMaxListEntries) {
        FailProgram("unterminated table list in the call of " + call.name);
        return false;
      }
      std::string name = EntryName(t->name, t->nlen);
      NwParameterDesc desc;
      if (!Describe(call, name, &desc)) return false;
      auto s = structures.find(t->type);
      auto table = tables.find(t->ithandle);
      if (desc.type != kNwTypeTable || s == structures.end() || table == tables.end() ||
          table->second->leng < s->second.size) {
        FailProgram("table " + name + " of " + call.name +
                    " does not fit its description or has no valid internal table");
        return false;
      }
    }
    return true;
  }

  bool ReadImporting(const PendingCall& call, const RfcParameter* list) {
    size_t count = 0;
    for (const RfcParameter* p = list; p != nullptr && p->name != nullptr; ++p) {
      if (++count > kMaxListEntries) {
        FailProgram("unterminated parameter list in the answer of " + call.name);
        return false;
      }
      std::string name = EntryName(p->name, p->nlen);
      NwParameterDesc desc;
      if (!Describe(call, name, &desc)) return false;
      if (p->addr == nullptr) {
        FailProgram("no place for parameter " + name);
        return false;
      }
      auto* out = static_cast<std::uint8_t*>(p->addr);
      auto s = structures.find(p->type);
      if (s == structures.end()) {
        if (p->type >= kFirstStructureHandle) {
          FailProgram("unknown type " + std::to_string(p->type) + " of " + name);
          return false;
        }
        if (!ReadValue(call.function, name, desc.type, desc.nucLength, p->type, p->leng,
                       desc.decimals, out))
          return false;
        continue;
      }
      if (desc.type != kNwTypeStructure || p->leng < s->second.size) {
        FailProgram("parameter " + name + " is no structure of " + s->second.name +
                    " or its place is too short");
        return false;
      }
      NwDataHandle structure = nullptr;
      NwErrorInfo error = ClearedError();
      std::u16string name16 = Utf16FromCodePage(name);
      if (nw.RfcGetStructure(call.function, name16.c_str(), &structure, &error) != kNwOk) {
        FailFrom(error, "structure " + name);
        return false;
      }
      if (!ReadRecord(structure, desc.typeDescHandle, s->second, out)) return false;
    }
    return true;
  }

  bool ReadTables(const PendingCall& call, RfcTable* list) {
    size_t count = 0;
    for (RfcTable* t = list; t != nullptr && t->name != nullptr; ++t) {
      if (++count > kMaxListEntries) {
        FailProgram("unterminated table list in the answer of " + call.name);
        return false;
      }
      std::string name = EntryName(t->name, t->nlen);
      NwParameterDesc desc;
      if (!Describe(call, name, &desc)) return false;
      auto s = structures.find(t->type);
      auto found = tables.find(t->ithandle);
      if (desc.type != kNwTypeTable || s == structures.end() || found == tables.end() ||
          found->second->leng < s->second.size) {
        FailProgram("table " + name + " of " + call.name + " changed since the call");
        return false;
      }
      AdapterTable& table = *found->second;
      std::u16string name16 = Utf16FromCodePage(name);
      NwDataHandle rows = nullptr;
      unsigned rowCount = 0;
      NwErrorInfo error = ClearedError();
      if (nw.RfcGetTable(call.function, name16.c_str(), &rows, &error) != kNwOk ||
          nw.RfcGetRowCount(rows, &rowCount, &error) != kNwOk) {
        FailFrom(error, "table " + name);
        return false;
      }
      table.bytes.clear();
      for (unsigned i = 0; i < rowCount; ++i) {
        NwDataHandle row = nullptr;
        if (nw.RfcMoveTo(rows, i, &error) != kNwOk ||
            (row = nw.RfcGetCurrentRow(rows, &error)) == nullptr) {
          FailFrom(error, "row of " + name);
          return false;
        }
        size_t at = table.bytes.size();
        table.bytes.resize(at + table.leng, 0);
        if (!ReadRecord(row, desc.typeDescHandle, s->second, table.bytes.data() + at)) {
          table.bytes.resize(at);
          return false;
        }
      }
      t->newitab = 0;
    }
    return true;
  }
};

NetWeaverRfcLibrary::NetWeaverRfcLibrary(const NwRfcFunctions& functions, std::string directory)
    : state_(std::make_unique<State>()) {
  state_->nw = functions;
  state_->directory = std::move(directory);
}

std::unique_ptr<NetWeaverRfcLibrary> NetWeaverRfcLibrary::Open(
    std::unique_ptr<SharedLibrary> library, std::string* missing) {
  NwRfcFunctions functions;
  missing->clear();
  ForEachNwRfcFunction(functions, [&](const char* name, auto* entry) {
    *entry = library->FindFunction<std::remove_reference_t<decltype(*entry)>>(name);
    if (*entry == nullptr && missing->empty()) *missing = name;
  });
  if (!missing->empty()) return nullptr;
  auto adapter = std::make_unique<NetWeaverRfcLibrary>(functions);
  adapter->state_->getVersion = library->FindFunction<NwGetVersionFn>("RfcGetVersion");
  adapter->state_->nw.RfcCancel = library->FindFunction<NwCancelFn>("RfcCancel");
  adapter->state_->library = std::move(library);
  return adapter;
}

// The connections are closed while the library is still loaded: the state
// releases the library after everything else.
NetWeaverRfcLibrary::~NetWeaverRfcLibrary() { RfcClose(0); }

std::string NetWeaverRfcLibrary::LibraryVersion() const {
  if (state_->getVersion == nullptr)
    return state_->library != nullptr ? state_->library->FileVersion() : std::string();
  unsigned major = 0, minor = 0, patchLevel = 0;
  state_->getVersion(&major, &minor, &patchLevel);
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patchLevel);
}

void NetWeaverRfcLibrary::RfcEnvironment(const RfcEnvironmentRecord& environment) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->environment = environment;
}

RfcHandle NetWeaverRfcLibrary::RfcOpen(const RfcOptions& options) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string refusal;
  NwLogonParameters parameters = LogonFromOptions(options, &refusal);
  if (parameters.empty()) {
    s.Fail("RFC_ERROR_PROGRAM", "", refusal, "");
    return 0;
  }
  return s.Open(parameters);
}

RfcHandle NetWeaverRfcLibrary::RfcOpenEx(const char* connect, RfcErrorInfo* error) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  RfcHandle handle = 0;
  std::map<std::string, std::string> values = ParseConnectString(connect != nullptr ? connect : "");
  auto dest = values.find("DEST");
  std::ifstream in(s.destinationFile.empty() ? s.PathOf(kIniFile) : s.destinationFile,
                   std::ios::binary);
  std::ostringstream ini;
  if (in) ini << in.rdbuf();
  std::optional<Destination> destination;
  const std::string* type = nullptr;
  if (dest == values.end()) {
    s.FailProgram("DEST= is missing in the connect string");
  } else if (!in) {
    s.FailProgram(std::string(kIniFile) + ": cannot be opened");
  } else if (!(destination = FindDestination(ini.str(), dest->second))) {
    s.FailProgram("Entry for destination " + dest->second + " in SapRfc.ini not found");
  } else if ((type = destination->Find("TYPE")) == nullptr ||
             (*type != "A" && *type != "a" && *type != "B" && *type != "b")) {
    s.FailProgram("TYPE=" + (type ? *type : std::string()) + " of destination " + dest->second +
                  " is not supported");
  } else {
    handle = s.Open(LogonFromDestination(destination->entries, values));
  }
  if (error != nullptr) *error = handle == 0 ? s.Mine().lastError : RfcErrorInfo{};
  return handle;
}

void NetWeaverRfcLibrary::UseDestinationFile(const std::string& path) {
  state_->destinationFile = path;
}

int NetWeaverRfcLibrary::RfcInstallStructure(const char* name, const FieldDescriptor* fields,
                                             unsigned entries, RfcType* handle) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  InstalledStructure structure;
  bool usable = name != nullptr && fields != nullptr && handle != nullptr && entries > 0 &&
                entries <= kMaxListEntries;
  if (usable) {
    structure.name = name;
    for (unsigned i = 0; i < entries && usable; ++i) {
      const FieldDescriptor& d = fields[i];
      if (d.name == nullptr || !IsCarriedField(d.type, d.length)) {
        usable = false;
        break;
      }
      InstalledField f;
      f.name = d.name;
      f.name16 = Utf16FromCodePage(f.name);
      f.type = d.type;
      f.length = d.length;
      f.decimals = d.decimals;
      f.offset = AlignedOffset(structure.size, d.type);
      structure.size = f.offset + d.length;
      structure.fields.push_back(std::move(f));
    }
  }
  if (!usable) {
    s.FailProgram(std::string("invalid description of structure ") + (name ? name : ""));
    return 1;
  }
  RfcType type = s.nextStructure++;
  s.structures[type] = std::move(structure);
  *handle = type;
  return 0;
}

int NetWeaverRfcLibrary::RfcCall(RfcHandle handle, const char* function,
                                 const RfcParameter* exporting, RfcTable* tables) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.DropPending(handle);
  auto connection = s.connections.find(handle);
  if (connection == s.connections.end()) {
    s.FailProgram("invalid handle " + std::to_string(handle));
    return kRfcFailure;
  }
  if (function == nullptr) {
    s.FailProgram("no function module named");
    return kRfcFailure;
  }
  PendingCall call;
  call.name = function;
  std::u16string name16 = Utf16FromCodePage(call.name);
  NwErrorInfo error = ClearedError();
  // The library may ask the system for the description: other threads'
  // connections go on meanwhile, and none of them closes this one.
  NwConnectionHandle nwConnection = connection->second;
  s.invoking.insert(handle);
  s.LetGoWhile(
      [&] { call.description = s.nw.RfcGetFunctionDesc(nwConnection, name16.c_str(), &error); });
  s.invoking.erase(handle);
  if (call.description == nullptr) {
    s.FailFrom(error, "description of " + call.name);
    return kRfcFailure;
  }
  call.function = s.nw.RfcCreateFunction(call.description, &error);
  if (call.function == nullptr) {
    s.FailFrom(error, "function " + call.name);
    return kRfcFailure;
  }
  if (!s.SetExporting(call, exporting) || !s.CheckTables(call, tables)) {
    s.Destroy(call);
    return kRfcFailure;
  }
  s.pending[handle] = call;
  return kRfcOk;
}

int NetWeaverRfcLibrary::RfcReceive(RfcHandle handle, const RfcParameter* importing,
                                    RfcTable* tables, char** exception) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.pending.find(handle);
  auto connection = s.connections.find(handle);
  if (found == s.pending.end() || connection == s.connections.end()) {
    s.FailProgram("RfcReceive without a preceding RfcCall");
    return kRfcFailure;
  }
  PendingCall call = found->second;
  s.pending.erase(found);
  // The function is destroyed on every way out.
  struct Release {
    State& s;
    PendingCall& call;
    ~Release() { s.Destroy(call); }
  } release{s, call};

  NwErrorInfo error = ClearedError();
  NwRc rc = kNwOk;
  NwConnectionHandle nwConnection = connection->second;
  s.invoking.insert(handle);
  {
    std::lock_guard<std::mutex> cancelLock(s.cancelMutex);
    s.cancellable[handle] = nwConnection;
  }
  s.LetGoWhile([&] {
    rc = s.nw.RfcInvoke(nwConnection, call.function, &error);
    std::lock_guard<std::mutex> cancelLock(s.cancelMutex);
    s.cancellable.erase(handle);
  });
  s.invoking.erase(handle);
  if (rc != kNwOk) {
    s.FailFrom(error, call.name);
    // A lost connection is a system exception, as the classic library
    // reports it.
    bool systemException = rc == kNwAbapRuntimeFailure || rc == kNwAbapMessage ||
                           rc == kNwCommunicationFailure || rc == kNwClosed;
    int result = rc == kNwAbapException ? kRfcException
                 : systemException      ? kRfcSysException
                                        : kRfcFailure;
    if (result != kRfcFailure) {
      std::string& kept = s.Mine().exception;
      kept = RecordText(error.key);
      if (exception != nullptr) *exception = kept.data();
    }
    return result;
  }
  if (!s.ReadImporting(call, importing) || !s.ReadTables(call, tables)) return kRfcFailure;
  return kRfcOk;
}

int NetWeaverRfcLibrary::RfcLastError(RfcErrorInfo* error) {
  if (error == nullptr) return 1;
  std::lock_guard<std::mutex> lock(state_->mutex);
  *error = state_->Mine().lastError;
  return 0;
}

void NetWeaverRfcLibrary::RfcClose(RfcHandle handle) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (handle != 0) {
    s.Close(handle);
    return;
  }
  std::vector<RfcHandle> open;
  for (const auto& [h, connection] : s.connections) open.push_back(h);
  for (RfcHandle h : open) s.Close(h);
  for (auto& [h, call] : s.pending) s.Destroy(call);
  s.pending.clear();
}

ItHandle NetWeaverRfcLibrary::ItCreate(const char* name, unsigned leng, unsigned occu,
                                       unsigned memo) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (name == nullptr || leng == 0) {
    s.FailProgram("ItCreate: no name or a line length of 0");
    return nullptr;
  }
  auto table = std::make_unique<AdapterTable>();
  table->leng = leng;
  // The handle is opaque to the sensor: the adapter's own table stands
  // behind it.
  auto handle = reinterpret_cast<ItHandle>(table.get());
  s.tables.emplace(handle, std::move(table));
  return handle;
}

unsigned NetWeaverRfcLibrary::ItFill(ItHandle table) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto found = state_->tables.find(table);
  return found == state_->tables.end() ? 0 : found->second->Rows();
}

void* NetWeaverRfcLibrary::ItGetLine(ItHandle table, unsigned line) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto found = state_->tables.find(table);
  if (found == state_->tables.end() || line == 0 || line > found->second->Rows()) return nullptr;
  AdapterTable& t = *found->second;
  return t.bytes.data() + static_cast<size_t>(line - 1) * t.leng;
}

int NetWeaverRfcLibrary::ItDelete(ItHandle table) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.tables.erase(table) == 0) {
    s.FailProgram("ItDelete: unknown table");
    return 1;
  }
  return 0;
}

void NetWeaverRfcLibrary::CancelRunningCalls() {
  State& s = *state_;
  if (s.nw.RfcCancel == nullptr) return;
  std::lock_guard<std::mutex> lock(s.cancelMutex);
  for (const auto& [handle, connection] : s.cancellable) {
    NwErrorInfo error = ClearedError();
    s.nw.RfcCancel(connection, &error);
  }
}
