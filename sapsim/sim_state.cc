#include "sapsim/sim_state.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "sapsim/fault_trace.h"

namespace {
constexpr const char kDescriptionFile[] = "SapSim.json";
}  // namespace

void CopyText(char* out, std::size_t size, const std::string& text) {
  std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

std::string SimulatedSap::State::PathOf(const std::string& name) const {
  std::filesystem::path path(name);
  if (path.is_absolute()) return name;
  return (std::filesystem::path(directory) / path).string();
}

void SimulatedSap::State::ReadDescription() {
  std::string error;
  auto description = descriptions.Refresh(PathOf(kDescriptionFile), &error);
  journal.SetPath(description && !description->journal.empty() ? PathOf(description->journal)
                                                               : std::string());
  if (!description) SetError("RFC_ERROR_PROGRAM", "", error, "");
}

void SimulatedSap::State::EnsureDescription() {
  if (!descriptions.Read()) ReadDescription();
}

void SimulatedSap::State::SetError(const std::string& key, const std::string& status,
                                   const std::string& message, const std::string& internal) {
  RfcErrorInfo& lastError = Mine().lastError;
  CopyText(lastError.key, sizeof lastError.key, key);
  CopyText(lastError.status, sizeof lastError.status, status);
  CopyText(lastError.message, sizeof lastError.message, message);
  CopyText(lastError.internalStatus, sizeof lastError.internalStatus, internal);
}

void SimulatedSap::State::Delay(int ms) {
  if (ms <= 0) return;
  LetGoWhile([ms] { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
}

void SimulatedSap::State::Hang() {
  LetGoWhile([] {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  });
  std::abort();  // not reached
}

void SimulatedSap::State::AwaitCancel(RfcHandle handle) {
  auto found = connections.find(handle);
  if (found == connections.end()) return;
  std::shared_ptr<SimConnection::CancelSignal> cancel = found->second.cancelSignal;
  LetGoWhile([&] {
    std::unique_lock<std::mutex> lock(cancel->mutex);
    cancel->signal.wait(lock, [&] { return cancel->given; });
  });
}

void SimulatedSap::State::Claim(RfcHandle handle) {
  auto [at, added] = busy.emplace(handle, std::this_thread::get_id());
  if (!added && at->second != std::this_thread::get_id()) {
    std::fprintf(stderr, "simulated SAP system: connection %u used by two threads at once\n",
                 static_cast<unsigned>(handle));
    std::abort();
  }
}

void SimulatedSap::State::Release(RfcHandle handle) { busy.erase(handle); }

void SimulatedSap::State::Fire(const SimulatedSystem& system, const std::string& key,
                               const std::string& message) {
  AppendTraceLines(PathOf(traceFile), system.faults.trace);
  SetError(key, "", message, "");
}

SimConnection* SimulatedSap::State::Find(RfcHandle handle) {
  auto found = connections.find(handle);
  if (found == connections.end()) {
    SetError("RFC_ERROR_PROGRAM", "", "invalid handle " + std::to_string(handle), "");
    return nullptr;
  }
  Claim(handle);  // ends the process when another thread is in a call on it
  Release(handle);
  if (found->second.cancelled) {
    SetError("RFC_CANCELED", "", "connection " + std::to_string(handle) + " was cancelled", "");
    return nullptr;
  }
  return &found->second;
}

ListCheck SimulatedSap::State::CheckParameterList(const RfcParameter* list,
                                                  const FunctionModule* module,
                                                  bool importing) const {
  if (module == nullptr) return CheckParameters(list, nullptr, 0, registry);
  return importing ? CheckParameters(list, module->importing, module->importingCount, registry)
                   : CheckParameters(list, module->exporting, module->exportingCount, registry);
}

ListCheck SimulatedSap::State::CheckTableList(const RfcTable* list,
                                              const FunctionModule* module) const {
  auto knownTable = [this](ItHandle t) { return tables.count(t) != 0; };
  if (module == nullptr) return CheckTables(list, nullptr, 0, registry, knownTable);
  return CheckTables(list, module->tables, module->tableCount, registry, knownTable);
}
