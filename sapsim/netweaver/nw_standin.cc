#include "sapsim/netweaver/nw_standin.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "sap/utf16_text.h"
#include "sapsim/netweaver/nw_container.h"
#include "sapsim/netweaver/nw_dictionary.h"
#include "sapsim/sim_description.h"
#include "sapsim/simulated_sap.h"

#if defined(_WIN32)
#define NWSTANDIN_EXPORT __declspec(dllexport)
#else
#define NWSTANDIN_EXPORT __attribute__((visibility("default")))
#endif

/// An open connection: the simulated system's handle.
struct NwConnection {
  RfcHandle handle = 0;
};

namespace {

// Loading the library takes as long as the description in the working
// directory says ("load_latency").
const bool kLoaded = (SimulateLoadTime("."), true);

/// Longest name read from a caller, in characters.
constexpr size_t kMaxNameLength = 256;

struct StandIn {
  explicit StandIn(const std::string& directory) : sim(directory, "dev_rfc.trc") {}

  SimulatedSap sim;
  NwDictionary dictionary;
  std::unordered_map<NwConnection*, std::unique_ptr<NwConnection>> connections;
  std::unordered_map<NwContainer*, std::unique_ptr<NwContainer>> functions;
  // The structures installed in the simulated system, by description: the
  // collector's row types have the same name but other fields on systems
  // that keep the client elsewhere.
  std::map<const NwTypeDesc*, RfcType> installed;
};

// The library's C interface has no context argument: the process's one
// simulated system lives behind this file-static pointer. The functions
// that reach the shared state hold the simulated system's lock; those
// that read or fill one function's data touch that data only, which
// belongs to the one thread of its connection.
std::unique_ptr<StandIn>& Instance() {
  static std::unique_ptr<StandIn> instance;
  return instance;
}

StandIn& Get() {
  static std::mutex making;
  std::lock_guard<std::mutex> lock(making);
  std::unique_ptr<StandIn>& instance = Instance();
  if (!instance) instance = std::make_unique<StandIn>(".");
  return *instance;
}

template <size_t N>
void CopyUtf16(NwChar (&field)[N], std::string_view text) {
  std::u16string wide = Utf16FromCodePage(text);
  size_t n = std::min(wide.size(), N - 1);
  std::memcpy(field, wide.data(), n * sizeof(NwChar));
  field[n] = 0;
}

NwRc SetError(NwErrorInfo* error, NwRc code, NwErrorGroup group, std::string_view key,
              std::string_view message) {
  if (error == nullptr) return code;
  std::memset(error, 0, sizeof *error);
  error->code = code;
  error->group = group;
  CopyUtf16(error->key, key);
  CopyUtf16(error->message, message);
  return code;
}

NwRc Ok(NwErrorInfo* error) {
  if (error != nullptr) std::memset(error, 0, sizeof *error);
  return kNwOk;
}

NwRc Invalid(NwErrorInfo* error, std::string_view message) {
  return SetError(error, kNwInvalidParameter, kNwGroupExternalRuntimeFailure,
                  "RFC_INVALID_PARAMETER", message);
}

/// Fills |error| from the simulated system's last error.
NwRc FromSimulation(StandIn& s, NwErrorInfo* error, NwRc code, NwErrorGroup group) {
  RfcErrorInfo info{};
  s.sim.RfcLastError(&info);
  return SetError(error, code, group, info.key, info.message);
}

std::string Name(const NwChar* text) {
  if (text == nullptr) return std::string();
  return CodePageFromUtf16(TerminatedUtf16(text, kMaxNameLength));
}

/// Runs an exported function's body; whatever it throws becomes an error.
template <typename Result, typename Body>
Result Guarded(NwErrorInfo* error, Result failure, Body&& body) {
  try {
    return body();
  } catch (...) {
    SetError(error, kNwUnknownError, kNwGroupExternalRuntimeFailure, "RFC_UNKNOWN_ERROR",
             "internal failure of the simulated library");
    return failure;
  }
}

bool IsCharLike(RfcType type) {
  return type == kTypeChar || type == kTypeDate || type == kTypeTime || type == kTypeNum;
}

/// Finds the elementary value |name| of |data|; the caller checks its type.
NwRc Locate(NwDataHandle data, const NwChar* name, NwValue* value, NwErrorInfo* error) {
  if (data == nullptr)
    return SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
                    "no data container");
  std::string n = Name(name);
  if (!FindValue(*data, n, value)) return Invalid(error, "no field " + n);
  return kNwOk;
}

NwRc WrongType(NwErrorInfo* error, const NwValue& value) {
  return SetError(error, kNwConversionFailure, kNwGroupExternalRuntimeFailure,
                  "RFC_CONVERSION_FAILURE",
                  "field " + value.field.name + " has type " + std::to_string(value.field.type));
}

/// The text of a packed decimal, or false when a nibble is no digit.
bool PackedText(const std::uint8_t* bytes, size_t length, std::string* text) {
  std::string digits;
  for (size_t i = 0; i < 2 * length - 1; ++i) {
    int nibble = i % 2 == 0 ? bytes[i / 2] >> 4 : bytes[i / 2] & 0xF;
    if (nibble > 9) return false;
    digits.push_back(static_cast<char>('0' + nibble));
  }
  int sign = bytes[length - 1] & 0xF;
  if (sign < 0xA) return false;
  size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? "0" : digits.substr(first);
  bool negative = (sign == 0xD || sign == 0xB) && digits != "0";
  *text = negative ? "-" + digits : digits;
  return true;
}

void Describe(const NwParameterInfo& p, NwParameterDesc* out) {
  std::memset(out, 0, sizeof *out);
  CopyUtf16(out->name, p.name);
  out->type = p.type;
  out->direction = p.direction;
  out->nucLength = p.length;
  out->ucLength = IsCharLike(static_cast<RfcType>(p.type)) ? 2 * p.length : p.length;
  if (p.typeDesc != nullptr) out->ucLength = static_cast<unsigned>(p.typeDesc->ucLayout.size);
  out->typeDescHandle = const_cast<NwTypeDesc*>(p.typeDesc);
  out->optional = p.optional ? 1 : 0;
}

/// The description of |field| of |type| as the library gives it.
void DescribeField(const NwTypeDesc& type, std::size_t index, NwFieldDesc* out) {
  const LaidOutField& f = type.layout.fields[index];
  std::memset(out, 0, sizeof *out);
  CopyUtf16(out->name, f.name);
  out->type = static_cast<NwType>(f.type);
  out->nucLength = static_cast<unsigned>(f.length);
  out->nucOffset = static_cast<unsigned>(f.offset);
  if (index < type.ucLayout.fields.size()) {
    out->ucLength = static_cast<unsigned>(type.ucLayout.fields[index].length);
    out->ucOffset = static_cast<unsigned>(type.ucLayout.fields[index].offset);
  }
}

/// Installs the structure |type| in the simulated system once.
bool Install(StandIn& s, const NwTypeDesc& type, RfcType* handle) {
  auto found = s.installed.find(&type);
  if (found != s.installed.end()) {
    *handle = found->second;
    return true;
  }
  if (s.sim.RfcInstallStructure(type.name.c_str(), type.fields, type.fieldCount, handle) != 0)
    return false;
  s.installed[&type] = *handle;
  return true;
}

/// Calls the simulated system with the values of |function| and stores
/// its answer there.
NwRc Invoke(StandIn& s, NwConnection& connection, NwContainer& function, NwErrorInfo* error) {
  const NwFunctionDesc& desc = *function.function;
  const char* name = desc.module->name;
  std::vector<RfcParameter> exporting;
  std::vector<RfcParameter> importing;
  std::vector<RfcTable> tables;
  std::vector<ItHandle> created;
  struct Cleanup {
    StandIn& s;
    std::vector<ItHandle>& created;
    ~Cleanup() {
      for (ItHandle t : created) s.sim.ItDelete(t);
    }
  } cleanup{s, created};

  std::vector<size_t> tableParameters;  // the parameter of each created table
  for (size_t i = 0; i < desc.parameters.size(); ++i) {
    const NwParameterInfo& p = desc.parameters[i];
    if (i < function.inactive.size() && function.inactive[i]) continue;
    auto nlen = static_cast<unsigned>(p.name.size());
    RfcType type = static_cast<RfcType>(p.type);
    if (p.typeDesc != nullptr && !Install(s, *p.typeDesc, &type))
      return FromSimulation(s, error, kNwMemoryInsufficient, kNwGroupExternalRuntimeFailure);
    if (p.type == kNwTypeTable) {
      ItHandle table = s.sim.ItCreate(p.name.c_str(), p.length, 0, 0);
      if (table == nullptr)
        return FromSimulation(s, error, kNwMemoryInsufficient, kNwGroupExternalRuntimeFailure);
      created.push_back(table);
      tableParameters.push_back(i);
      tables.push_back({p.name.c_str(), nlen, type, p.length, table, 0, 0});
    } else if (p.type == kNwTypeStructure) {
      importing.push_back(
          {p.name.c_str(), nlen, type, p.length, function.children[i]->record.data()});
    } else {
      RfcParameter entry{p.name.c_str(), nlen, type, p.length, function.scalars[i].data()};
      (p.direction == kNwImport ? exporting : importing).push_back(entry);
    }
  }
  exporting.push_back({nullptr, 0, 0, 0, nullptr});
  importing.push_back({nullptr, 0, 0, 0, nullptr});
  tables.push_back({nullptr, 0, 0, 0, nullptr, 0, 0});

  // A fault of the call or of the answer ends the call alike: the classic
  // result codes become the library's.
  char* raised = nullptr;
  int result = s.sim.RfcCall(connection.handle, name, exporting.data(), tables.data());
  if (result == kRfcOk)
    result = s.sim.RfcReceive(connection.handle, importing.data(), tables.data(), &raised);
  if (result == kRfcException || result == kRfcSysException) {
    std::string exception = raised != nullptr ? raised : "";
    RfcErrorInfo info{};
    s.sim.RfcLastError(&info);
    return result == kRfcException
               ? SetError(error, kNwAbapException, kNwGroupAbapApplicationFailure, exception,
                          info.message)
               : SetError(error, kNwAbapRuntimeFailure, kNwGroupAbapRuntimeFailure,
                          exception.empty() ? "SYSTEM_FAILURE" : exception, info.message);
  }
  if (result != kRfcOk && s.sim.IsCancelled(connection.handle))
    return SetError(error, kNwCanceled, kNwGroupCommunicationFailure, "RFC_CANCELED",
                    std::string("the call of ") + name + " was cancelled");
  if (result != kRfcOk)
    return FromSimulation(s, error,
                          result == kRfcFailure ? kNwCommunicationFailure : kNwUnknownError,
                          kNwGroupCommunicationFailure);

  // The rows of each table, copied from the simulated system's tables.
  for (size_t t = 0; t < created.size(); ++t) {
    ItHandle table = created[t];
    NwContainer& target = *function.children[tableParameters[t]];
    target.rows.clear();
    target.current = 0;
    unsigned rows = s.sim.ItFill(table);
    for (unsigned r = 1; r <= rows; ++r) {
      void* line = s.sim.ItGetLine(table, r);
      if (line == nullptr)
        return FromSimulation(s, error, kNwMemoryInsufficient, kNwGroupExternalRuntimeFailure);
      auto row = NwContainer::ForStructure(*target.type);
      std::memcpy(row->record.data(), line, row->record.size());
      target.rows.push_back(std::move(row));
    }
  }
  return Ok(error);
}

/// Reads an integer or float field of |type| into |out|.
template <typename T>
NwRc GetNumber(NwDataHandle data, const NwChar* name, RfcType type, T* out, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    NwValue v;
    if (NwRc rc = Locate(data, name, &v, error); rc != kNwOk) return rc;
    if (v.field.type != type || v.field.length != sizeof(T) || out == nullptr)
      return WrongType(error, v);
    std::memcpy(out, v.bytes, sizeof(T));
    return Ok(error);
  });
}

}  // namespace

void ResetNetWeaverStandIn(const std::string& directory) {
  Instance() = std::make_unique<StandIn>(directory);
}

extern "C" {

NWSTANDIN_EXPORT NwConnectionHandle NWRFC_CALL
RfcOpenConnection(const NwConnectionParameter* parameters, unsigned count, NwErrorInfo* error) {
  return Guarded<NwConnectionHandle>(error, nullptr, [&]() -> NwConnectionHandle {
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    std::map<std::string, std::string> values;
    for (unsigned i = 0; parameters != nullptr && i < count; ++i) {
      std::string key = Name(parameters[i].name);
      for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      values[key] = Name(parameters[i].value);
    }
    auto text = [&](const char* key) -> const char* {
      auto found = values.find(key);
      return found == values.end() ? nullptr : found->second.c_str();
    };
    // The logon parameters name what a destination entry names.
    Destination destination;
    destination.name = text("dest") ? text("dest") : "";
    auto add = [&](const char* key, const char* name) {
      if (text(name) != nullptr) destination.entries.emplace_back(key, text(name));
    };
    if (text("ashost") != nullptr) {
      destination.entries.emplace_back("TYPE", "A");
      add("ASHOST", "ashost");
      add("SYSNR", "sysnr");
    } else if (text("mshost") != nullptr) {
      destination.entries.emplace_back("TYPE", "B");
      add("MSHOST", "mshost");
      add("R3NAME", text("r3name") ? "r3name" : "sysid");
      add("GROUP", "group");
    } else {
      SetError(error, kNwInvalidParameter, kNwGroupExternalRuntimeFailure, "RFC_INVALID_PARAMETER",
               "neither ashost nor mshost given");
      return nullptr;
    }
    ConnectValues logon;
    auto value = [&](const char* name) {
      return text(name) ? std::optional<std::string>(text(name)) : std::nullopt;
    };
    logon.client = value("client");
    logon.user = value("user");
    logon.password = value("passwd");
    logon.language = value("lang");
    RfcHandle handle = s.sim.OpenDestination(destination, logon);
    if (handle == 0) {
      RfcErrorInfo info{};
      s.sim.RfcLastError(&info);
      bool logon = std::string(info.key) == "RFC_ERROR_LOGON_FAILURE";
      FromSimulation(s, error, logon ? kNwLogonFailure : kNwCommunicationFailure,
                     logon ? kNwGroupLogonFailure : kNwGroupCommunicationFailure);
      return nullptr;
    }
    auto connection = std::make_unique<NwConnection>();
    connection->handle = handle;
    NwConnection* raw = connection.get();
    s.connections.emplace(raw, std::move(connection));
    Ok(error);
    return raw;
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcCloseConnection(NwConnectionHandle connection,
                                                    NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    auto found = s.connections.find(connection);
    if (found == s.connections.end())
      return SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
                      "no such connection");
    s.sim.RfcClose(found->second->handle);
    s.connections.erase(found);
    return Ok(error);
  });
}

/// Cancels the call running on |connection| from another thread: the call
/// returns RFC_CANCELED and the connection takes no further calls. The
/// lock is free meanwhile, as the call that hangs has let it go.
NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcCancel(NwConnectionHandle connection, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    auto found = s.connections.find(connection);
    if (found == s.connections.end() || !s.sim.Cancel(found->second->handle))
      return SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
                      "no such connection");
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwFunctionDescHandle NWRFC_CALL RfcGetFunctionDesc(NwConnectionHandle connection,
                                                                    const NwChar* name,
                                                                    NwErrorInfo* error) {
  return Guarded<NwFunctionDescHandle>(error, nullptr, [&]() -> NwFunctionDescHandle {
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    if (s.connections.count(connection) == 0) {
      SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
               "no such connection");
      return nullptr;
    }
    std::string n = Name(name);
    const SimulatedSystem* system = s.sim.SystemOf(s.connections[connection]->handle);
    const NwFunctionDesc* desc =
        system != nullptr ? s.dictionary.Function(n, *system) : s.dictionary.Function(n);
    if (desc == nullptr) {
      // The library asks the system for the description; the system's
      // metadata module raises FU_NOT_FOUND (message FL 046), an ABAP
      // exception that leaves the connection open.
      std::string message = "ID:FL Type:E Number:046 " + n;
      s.sim.LookupFailed(n, "FU_NOT_FOUND", message);
      SetError(error, kNwAbapException, kNwGroupAbapApplicationFailure, "FU_NOT_FOUND", message);
      return nullptr;
    }
    Ok(error);
    return const_cast<NwFunctionDesc*>(desc);
  });
}

NWSTANDIN_EXPORT NwDataHandle NWRFC_CALL RfcCreateFunction(NwFunctionDescHandle desc,
                                                           NwErrorInfo* error) {
  return Guarded<NwDataHandle>(error, nullptr, [&]() -> NwDataHandle {
    if (desc == nullptr) {
      SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
               "no function description");
      return nullptr;
    }
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    auto function = NwContainer::ForFunction(*desc);
    NwContainer* raw = function.get();
    s.functions.emplace(raw, std::move(function));
    Ok(error);
    return raw;
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcDestroyFunction(NwDataHandle function, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    if (s.functions.erase(function) == 0)
      return SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
                      "no such function");
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcInvoke(NwConnectionHandle connection, NwDataHandle function,
                                           NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    auto c = s.connections.find(connection);
    auto f = s.functions.find(function);
    if (c == s.connections.end() || f == s.functions.end())
      return SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
                      "no such connection or function");
    return Invoke(s, *c->second, *f->second, error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetParameterDescByName(NwFunctionDescHandle desc,
                                                           const NwChar* name, NwParameterDesc* out,
                                                           NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (desc == nullptr || out == nullptr) return Invalid(error, "no description");
    std::string n = Name(name);
    const NwParameterInfo* p = desc->Find(n);
    if (p == nullptr) return Invalid(error, "no parameter " + n + " in " + desc->module->name);
    Describe(*p, out);
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetFieldDescByName(NwTypeDescHandle type, const NwChar* name,
                                                       NwFieldDesc* out, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (type == nullptr || out == nullptr) return Invalid(error, "no type description");
    std::string n = Name(name);
    const LaidOutField* f = type->layout.Find(n);
    if (f == nullptr) return Invalid(error, "no field " + n + " in " + type->name);
    DescribeField(*type, static_cast<std::size_t>(f - type->layout.fields.data()), out);
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcSetChars(NwDataHandle data, const NwChar* name,
                                             const NwChar* value, unsigned length,
                                             NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    NwValue v;
    if (NwRc rc = Locate(data, name, &v, error); rc != kNwOk) return rc;
    if (!IsCharLike(v.field.type)) return WrongType(error, v);
    if (length > v.field.length || (value == nullptr && length > 0))
      return Invalid(error, "value of " + v.field.name + " longer than its field");
    std::string text = CodePageFromUtf16(std::u16string_view(value, length));
    StoreField(text, reinterpret_cast<char*>(v.bytes), v.field.length);
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetChars(NwDataHandle data, const NwChar* name, NwChar* buffer,
                                             unsigned length, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    NwValue v;
    if (NwRc rc = Locate(data, name, &v, error); rc != kNwOk) return rc;
    if (!IsCharLike(v.field.type)) return WrongType(error, v);
    if (buffer == nullptr || length < v.field.length)
      return SetError(error, kNwBufferTooSmall, kNwGroupExternalRuntimeFailure,
                      "RFC_BUFFER_TOO_SMALL", "buffer too small for " + v.field.name);
    std::u16string text =
        Utf16FromCodePage(std::string_view(reinterpret_cast<const char*>(v.bytes), v.field.length));
    text.resize(length, u' ');
    std::memcpy(buffer, text.data(), length * sizeof(NwChar));
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetString(NwDataHandle data, const NwChar* name, NwChar* buffer,
                                              unsigned bufferLength, unsigned* length,
                                              NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    NwValue v;
    if (NwRc rc = Locate(data, name, &v, error); rc != kNwOk) return rc;
    std::string text;
    if (IsCharLike(v.field.type)) {
      text.assign(reinterpret_cast<const char*>(v.bytes), v.field.length);
    } else if (v.field.type != kTypeBcd) {
      return WrongType(error, v);
    } else if (!PackedText(v.bytes, v.field.length, &text)) {
      return SetError(error, kNwConversionFailure, kNwGroupExternalRuntimeFailure,
                      "RFC_CONVERSION_FAILURE", "no packed number in " + v.field.name);
    }
    std::u16string wide = Utf16FromCodePage(text);
    if (length != nullptr) *length = static_cast<unsigned>(wide.size());
    if (buffer == nullptr || bufferLength <= wide.size())
      return SetError(error, kNwBufferTooSmall, kNwGroupExternalRuntimeFailure,
                      "RFC_BUFFER_TOO_SMALL", "buffer too small for " + v.field.name);
    std::memcpy(buffer, wide.data(), wide.size() * sizeof(NwChar));
    buffer[wide.size()] = 0;
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetBytes(NwDataHandle data, const NwChar* name,
                                             std::uint8_t* buffer, unsigned length,
                                             NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    NwValue v;
    if (NwRc rc = Locate(data, name, &v, error); rc != kNwOk) return rc;
    if (v.field.type != kTypeByte) return WrongType(error, v);
    if (buffer == nullptr || length < v.field.length)
      return SetError(error, kNwBufferTooSmall, kNwGroupExternalRuntimeFailure,
                      "RFC_BUFFER_TOO_SMALL", "buffer too small for " + v.field.name);
    std::memset(buffer, 0, length);
    std::memcpy(buffer, v.bytes, v.field.length);
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetInt(NwDataHandle data, const NwChar* name,
                                           std::int32_t* value, NwErrorInfo* error) {
  return GetNumber(data, name, kTypeInt, value, error);
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetInt2(NwDataHandle data, const NwChar* name,
                                            std::int16_t* value, NwErrorInfo* error) {
  return GetNumber(data, name, kTypeInt2, value, error);
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetInt1(NwDataHandle data, const NwChar* name,
                                            std::uint8_t* value, NwErrorInfo* error) {
  return GetNumber(data, name, kTypeInt1, value, error);
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetFloat(NwDataHandle data, const NwChar* name, double* value,
                                             NwErrorInfo* error) {
  return GetNumber(data, name, kTypeFloat, value, error);
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetStructure(NwDataHandle data, const NwChar* name,
                                                 NwDataHandle* structure, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (data == nullptr || structure == nullptr) return Invalid(error, "no data container");
    std::string n = Name(name);
    NwContainer* child = FindChild(*data, n);
    if (child == nullptr || child->kind != NwContainer::kStructure)
      return Invalid(error, "no structure " + n);
    *structure = child;
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetTable(NwDataHandle data, const NwChar* name,
                                             NwDataHandle* table, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (data == nullptr || table == nullptr) return Invalid(error, "no data container");
    std::string n = Name(name);
    NwContainer* child = FindChild(*data, n);
    if (child == nullptr || child->kind != NwContainer::kTable)
      return Invalid(error, "no table " + n);
    *table = child;
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetRowCount(NwDataHandle table, unsigned* rows,
                                                NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (table == nullptr || rows == nullptr || table->kind != NwContainer::kTable)
      return Invalid(error, "no table");
    *rows = static_cast<unsigned>(table->rows.size());
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcMoveTo(NwDataHandle table, unsigned index, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (table == nullptr || table->kind != NwContainer::kTable) return Invalid(error, "no table");
    if (index >= table->rows.size())
      return SetError(error, kNwTableMoveEof, kNwGroupExternalRuntimeFailure, "RFC_TABLE_MOVE_EOF",
                      "no row " + std::to_string(index));
    table->current = index;
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwDataHandle NWRFC_CALL RfcGetCurrentRow(NwDataHandle table, NwErrorInfo* error) {
  return Guarded<NwDataHandle>(error, nullptr, [&]() -> NwDataHandle {
    if (table == nullptr || table->kind != NwContainer::kTable ||
        table->current >= table->rows.size()) {
      SetError(error, kNwTableMoveEof, kNwGroupExternalRuntimeFailure, "RFC_TABLE_MOVE_EOF",
               "no current row");
      return nullptr;
    }
    Ok(error);
    return table->rows[table->current].get();
  });
}

/// Makes a parameter of |function| active or inactive: an inactive one is
/// neither sent nor received, as the SDK documents it for tables a caller
/// does not need.
NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcSetParameterActive(NwDataHandle function, const NwChar* name,
                                                       int isActive, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (function == nullptr || function->kind != NwContainer::kFunction)
      return SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
                      "no function");
    std::string n = Name(name);
    const auto& parameters = function->function->parameters;
    for (size_t i = 0; i < parameters.size(); ++i) {
      if (parameters[i].name != n) continue;
      function->inactive.resize(parameters.size(), false);
      function->inactive[i] = isActive == 0;
      return Ok(error);
    }
    return Invalid(error, "no parameter " + n);
  });
}

/// Sets a 4-byte integer field.
NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcSetInt(NwDataHandle data, const NwChar* name,
                                           std::int32_t value, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    NwValue v;
    if (NwRc rc = Locate(data, name, &v, error); rc != kNwOk) return rc;
    if (v.field.type != kTypeInt || v.field.length != sizeof value) return WrongType(error, v);
    std::memcpy(v.bytes, &value, sizeof value);
    return Ok(error);
  });
}

/// The description of the structure |name| as the system of |connection|
/// defines it; RFC_NOT_FOUND when it has none.
NWSTANDIN_EXPORT NwTypeDescHandle NWRFC_CALL RfcGetTypeDesc(NwConnectionHandle connection,
                                                            const NwChar* name,
                                                            NwErrorInfo* error) {
  return Guarded<NwTypeDescHandle>(error, nullptr, [&]() -> NwTypeDescHandle {
    StandIn& s = Get();
    SimulatedSap::Entry entry = s.sim.Enter();
    auto found = s.connections.find(connection);
    if (found == s.connections.end()) {
      SetError(error, kNwInvalidHandle, kNwGroupExternalRuntimeFailure, "RFC_INVALID_HANDLE",
               "no such connection");
      return nullptr;
    }
    std::string n = Name(name);
    const SimulatedSystem* system = s.sim.SystemOf(found->second->handle);
    const NwTypeDesc* type = system != nullptr ? s.dictionary.Type(n, *system) : nullptr;
    if (type == nullptr) {
      SetError(error, kNwNotFound, kNwGroupAbapApplicationFailure, "RFC_NOT_FOUND",
               "type " + n + " not found");
      return nullptr;
    }
    Ok(error);
    return const_cast<NwTypeDesc*>(type);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetFieldCount(NwTypeDescHandle type, unsigned* count,
                                                  NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (type == nullptr || count == nullptr) return Invalid(error, "no type description");
    *count = static_cast<unsigned>(type->layout.fields.size());
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetFieldDescByIndex(NwTypeDescHandle type, unsigned index,
                                                        NwFieldDesc* out, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (type == nullptr || out == nullptr) return Invalid(error, "no type description");
    if (index >= type->layout.fields.size())
      return Invalid(error, "no field " + std::to_string(index) + " in " + type->name);
    DescribeField(*type, index, out);
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetTypeLength(NwTypeDescHandle type, unsigned* nucLength,
                                                  unsigned* ucLength, NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (type == nullptr) return Invalid(error, "no type description");
    if (nucLength != nullptr) *nucLength = static_cast<unsigned>(type->layout.size);
    if (ucLength != nullptr) *ucLength = static_cast<unsigned>(type->ucLayout.size);
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetParameterCount(NwFunctionDescHandle desc, unsigned* count,
                                                      NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (desc == nullptr || count == nullptr) return Invalid(error, "no description");
    *count = static_cast<unsigned>(desc->parameters.size());
    return Ok(error);
  });
}

NWSTANDIN_EXPORT NwRc NWRFC_CALL RfcGetParameterDescByIndex(NwFunctionDescHandle desc,
                                                            unsigned index, NwParameterDesc* out,
                                                            NwErrorInfo* error) {
  return Guarded(error, kNwUnknownError, [&] {
    if (desc == nullptr || out == nullptr) return Invalid(error, "no description");
    if (index >= desc->parameters.size())
      return Invalid(error, "no parameter " + std::to_string(index) + " in " + desc->module->name);
    Describe(desc->parameters[index], out);
    return Ok(error);
  });
}

/// The stand-in's version: that of the library it stands in for, with a
/// text that says what it is.
NWSTANDIN_EXPORT const NwChar* NWRFC_CALL RfcGetVersion(unsigned* major, unsigned* minor,
                                                        unsigned* patchLevel) {
  if (major != nullptr) *major = 7500;
  if (minor != nullptr) *minor = 0;
  if (patchLevel != nullptr) *patchLevel = 0;
  return u"7500.0.0 (simulated SAP system)";
}

}  // extern "C"

NwFurtherFunctions NetWeaverStandInFurtherFunctions() {
  NwFurtherFunctions f;
  f.RfcGetTypeDesc = &RfcGetTypeDesc;
  f.RfcGetFieldCount = &RfcGetFieldCount;
  f.RfcGetFieldDescByIndex = &RfcGetFieldDescByIndex;
  f.RfcGetTypeLength = &RfcGetTypeLength;
  f.RfcGetParameterCount = &RfcGetParameterCount;
  f.RfcGetParameterDescByIndex = &RfcGetParameterDescByIndex;
  f.RfcSetParameterActive = &RfcSetParameterActive;
  f.RfcSetInt = &RfcSetInt;
  return f;
}

NwRfcFunctions NetWeaverStandInFunctions() {
  NwRfcFunctions f;
  f.RfcGetFieldCount = &RfcGetFieldCount;
  f.RfcGetParameterCount = &RfcGetParameterCount;
  f.RfcGetParameterDescByIndex = &RfcGetParameterDescByIndex;
  f.RfcSetParameterActive = &RfcSetParameterActive;
  f.RfcGetFieldDescByIndex = &RfcGetFieldDescByIndex;
  f.RfcSetInt = &RfcSetInt;
  f.RfcOpenConnection = &RfcOpenConnection;
  f.RfcCloseConnection = &RfcCloseConnection;
  f.RfcGetFunctionDesc = &RfcGetFunctionDesc;
  f.RfcCreateFunction = &RfcCreateFunction;
  f.RfcDestroyFunction = &RfcDestroyFunction;
  f.RfcInvoke = &RfcInvoke;
  f.RfcGetParameterDescByName = &RfcGetParameterDescByName;
  f.RfcGetFieldDescByName = &RfcGetFieldDescByName;
  f.RfcSetChars = &RfcSetChars;
  f.RfcGetChars = &RfcGetChars;
  f.RfcGetString = &RfcGetString;
  f.RfcGetBytes = &RfcGetBytes;
  f.RfcGetInt = &RfcGetInt;
  f.RfcGetInt2 = &RfcGetInt2;
  f.RfcGetInt1 = &RfcGetInt1;
  f.RfcGetFloat = &RfcGetFloat;
  f.RfcGetStructure = &RfcGetStructure;
  f.RfcGetTable = &RfcGetTable;
  f.RfcGetRowCount = &RfcGetRowCount;
  f.RfcMoveTo = &RfcMoveTo;
  f.RfcGetCurrentRow = &RfcGetCurrentRow;
  f.RfcCancel = &RfcCancel;
  return f;
}
