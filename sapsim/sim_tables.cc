// The internal tables of the simulated library.

#include <nlohmann/json.hpp>

#include "sapsim/sim_state.h"

using nlohmann::json;

ItHandle SimulatedSap::ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) {
  State& s = *state_;
  s.EnsureDescription();
  s.journal.Write({{"op", "ItCreate"}, {"name", JournalText(name)}, {"leng", leng}});
  if (name == nullptr || leng == 0) {
    s.SetError("RFC_ERROR_PROGRAM", "", "ItCreate: no name or a line length of 0", "");
    return nullptr;
  }
  const SimulatedSystem* system = s.Mine().faultSystem;
  if (system && system->faults.itCreate == name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", std::string("ItCreate ") + name);
    return nullptr;
  }
  auto table = std::make_unique<RfcInternalTable>(name, leng);
  RfcInternalTable* raw = table.get();
  s.tables.emplace(raw, std::move(table));
  return raw;
}

unsigned SimulatedSap::ItFill(ItHandle table) {
  auto found = state_->tables.find(table);
  if (found == state_->tables.end()) return 0;
  return static_cast<unsigned>(found->second->Rows());
}

void* SimulatedSap::ItGetLine(ItHandle table, unsigned line) {
  State& s = *state_;
  auto found = s.tables.find(table);
  if (found == s.tables.end()) return nullptr;
  const SimulatedSystem* system = s.Mine().faultSystem;
  if (system && system->faults.itGetLine == table->name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", "ItGetLine " + table->name);
    return nullptr;
  }
  return table->Line(line);
}

int SimulatedSap::ItDelete(ItHandle table) {
  State& s = *state_;
  auto found = s.tables.find(table);
  s.journal.Write(
      {{"op", "ItDelete"},
       {"name", found != s.tables.end() ? JournalText(table->name.c_str()) : json(nullptr)}});
  if (found == s.tables.end()) {
    s.SetError("RFC_ERROR_PROGRAM", "", "ItDelete: unknown table", "");
    return 1;
  }
  const SimulatedSystem* system = s.Mine().faultSystem;
  if (system && system->faults.itDelete == table->name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", "ItDelete " + table->name);
    return 1;
  }
  s.tables.erase(found);
  return 0;
}
