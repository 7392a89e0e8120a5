#include "sapsim/simulated_sap.h"

#include <nlohmann/json.hpp>

#include "sapsim/record_layout.h"
#include "sapsim/sim_state.h"

using nlohmann::json;

SimulatedSap::SimulatedSap(std::string directory, std::string traceFile)
    : state_(std::make_unique<State>()) {
  state_->directory = std::move(directory);
  state_->traceFile = std::move(traceFile);
}

SimulatedSap::~SimulatedSap() = default;

SimulatedSap::Entry::Entry(State& state) : state_(state) {
  state_.mutex.lock();
  state_.holder = std::this_thread::get_id();
}

SimulatedSap::Entry::~Entry() {
  state_.holder = std::thread::id();
  state_.mutex.unlock();
}

void SimulatedSap::RfcEnvironment(const RfcEnvironmentRecord& environment) {
  state_->environment = environment;
}

int SimulatedSap::RfcInstallStructure(const char* name, const FieldDescriptor* fields,
                                      unsigned entries, RfcType* handle) {
  State& s = *state_;
  s.EnsureDescription();
  std::optional<RecordLayout> layout = LayOutRecord(name, fields, entries);
  s.journal.Write({{"op", "RfcInstallStructure"},
                   {"name", JournalText(name)},
                   {"entries", entries},
                   {"size", layout ? json(layout->size) : json(nullptr)}});
  if (handle == nullptr || !layout) {
    s.SetError("RFC_ERROR_PROGRAM", "",
               std::string("invalid description of structure ") + (name ? name : ""), "");
    return 1;
  }
  const SimulatedSystem* system = s.Mine().faultSystem;
  if (system && system->faults.installStructure == layout->name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", "RfcInstallStructure " + layout->name);
    return 1;
  }
  *handle = s.registry.Add(std::move(*layout));
  return 0;
}

int SimulatedSap::RfcLastError(RfcErrorInfo* error) {
  State& s = *state_;
  if (error == nullptr) return 1;
  const SimulatedSystem* system = s.Mine().faultSystem;
  if (system && system->faults.lastError) {
    const LastErrorTexts& texts = *system->faults.lastError;
    CopyText(error->key, sizeof error->key, texts.key);
    CopyText(error->status, sizeof error->status, texts.status);
    CopyText(error->message, sizeof error->message, texts.message);
    CopyText(error->internalStatus, sizeof error->internalStatus, texts.internalStatus);
  } else {
    *error = s.Mine().lastError;
  }
  return 0;
}

bool SimulatedSap::Cancel(RfcHandle handle) {
  State& s = *state_;
  auto found = s.connections.find(handle);
  bool running = found != s.connections.end() && found->second.pending;
  s.journal.Write(
      {{"op", "RfcCancel"},
       {"handle", handle},
       {"function", running ? JournalText(found->second.function.c_str()) : json(nullptr)}});
  if (found == s.connections.end()) {
    s.SetError("RFC_ERROR_PROGRAM", "", "invalid handle " + std::to_string(handle), "");
    return false;
  }
  found->second.cancelled = true;
  SimConnection::CancelSignal& cancel = *found->second.cancelSignal;
  std::lock_guard<std::mutex> lock(cancel.mutex);
  cancel.given = true;
  cancel.signal.notify_all();
  return true;
}

bool SimulatedSap::IsCancelled(RfcHandle handle) const {
  auto found = state_->connections.find(handle);
  return found != state_->connections.end() && found->second.cancelled;
}

void SimulatedSap::RfcClose(RfcHandle handle) {
  State& s = *state_;
  s.journal.Write({{"op", "RfcClose"}, {"handle", handle}});
  // A library may report through its error handler while it closes: the
  // "handler" fault naming "RfcClose" makes it do so, once per close.
  std::shared_ptr<const SimDescription> reporting;
  const SimulatedSystem* system = nullptr;
  for (const auto& [open, connection] : s.connections) {
    if ((handle == 0 || open == handle) && connection.system != nullptr &&
        connection.system->faults.handlerFunction == "RfcClose" && system == nullptr) {
      reporting = connection.description;
      system = connection.system;
    }
  }
  if (handle == 0)
    s.connections.clear();
  else
    s.connections.erase(handle);
  if (system == nullptr) return;
  s.Fire(*system, "RFC_ERROR_SYSTEM_FAILURE", system->faults.handlerText);
  RfcEnvironmentRecord environment = s.environment;
  std::string text = system->faults.handlerText;
  if (environment.errorhandler != nullptr)
    s.LetGoWhile([&] { environment.errorhandler(environment.context, text.c_str()); });
}

const SimulatedSystem* SimulatedSap::SystemOf(RfcHandle handle) const {
  auto found = state_->connections.find(handle);
  return found == state_->connections.end() ? nullptr : found->second.system;
}

void SimulatedSap::LookupFailed(const std::string& function, const std::string& key,
                                const std::string& message) {
  State& s = *state_;
  s.journal.Write({{"op", "RfcGetFunctionDesc"},
                   {"function", JournalText(function.c_str())},
                   {"exception", JournalText(key.c_str())}});
  s.SetError(key, "", message, "");
}
