#include "sapsim/netweaver/nw_container.h"

std::unique_ptr<NwContainer> NwContainer::ForFunction(const NwFunctionDesc& desc) {
  auto c = std::make_unique<NwContainer>();
  c->kind = kFunction;
  c->function = &desc;
  for (const NwParameterInfo& p : desc.parameters) {
    std::vector<std::uint8_t> scalar;
    std::unique_ptr<NwContainer> child;
    if (p.type == kNwTypeStructure) {
      child = ForStructure(*p.typeDesc);
    } else if (p.type == kNwTypeTable) {
      child = ForTable(*p.typeDesc);
    } else {
      // A one-field record, so that the initial value follows the type.
      RecordLayout layout;
      layout.fields.push_back({p.name, static_cast<RfcType>(p.type), p.length, 0});
      layout.size = p.length;
      scalar.resize(p.length);
      InitializeRecord(layout, scalar.data());
    }
    c->scalars.push_back(std::move(scalar));
    c->children.push_back(std::move(child));
  }
  return c;
}

std::unique_ptr<NwContainer> NwContainer::ForStructure(const NwTypeDesc& type) {
  auto c = std::make_unique<NwContainer>();
  c->kind = kStructure;
  c->type = &type;
  c->record.resize(type.layout.size);
  InitializeRecord(type.layout, c->record.data());
  return c;
}

std::unique_ptr<NwContainer> NwContainer::ForTable(const NwTypeDesc& type) {
  auto c = std::make_unique<NwContainer>();
  c->kind = kTable;
  c->type = &type;
  return c;
}

bool FindValue(NwContainer& container, const std::string& name, NwValue* value) {
  if (container.kind == NwContainer::kStructure) {
    const LaidOutField* field = container.type->layout.Find(name);
    if (field == nullptr) return false;
    value->field = *field;
    value->bytes = container.record.data() + field->offset;
    return true;
  }
  if (container.kind != NwContainer::kFunction) return false;
  const auto& parameters = container.function->parameters;
  for (size_t i = 0; i < parameters.size(); ++i) {
    const NwParameterInfo& p = parameters[i];
    if (p.name != name || container.children[i] != nullptr) continue;
    value->field = {p.name, static_cast<RfcType>(p.type), p.length, 0};
    value->bytes = container.scalars[i].data();
    return true;
  }
  return false;
}

NwContainer* FindChild(NwContainer& container, const std::string& name) {
  if (container.kind != NwContainer::kFunction) return nullptr;
  const auto& parameters = container.function->parameters;
  for (size_t i = 0; i < parameters.size(); ++i)
    if (parameters[i].name == name) return container.children[i].get();
  return nullptr;
}
