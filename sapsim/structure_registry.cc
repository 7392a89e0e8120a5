#include "sapsim/structure_registry.h"

RfcType StructureRegistry::Add(RecordLayout layout) {
  layouts_.push_back(std::move(layout));
  return kFirstHandle + static_cast<RfcType>(layouts_.size() - 1);
}

const RecordLayout* StructureRegistry::Find(RfcType handle) const {
  if (handle < kFirstHandle || handle - kFirstHandle >= layouts_.size()) return nullptr;
  return &layouts_[handle - kFirstHandle];
}
