#include "substitute/Functions.h"

#include "substitute/Strings.h"

namespace vialmark::substitute {

void FunctionLedger::Construct(NativeFunctionBase* object, const char* name, const char* className,
                               u32 isStatic, u32 parameterCount) {
  std::lock_guard lock(mutex_);
  std::string shownName = name != nullptr ? name : "(null)";
  auto previous = latest_.find(object);
  if (previous != latest_.end() && !records_[previous->second].destructed) {
    problems_.Report("functions: " + shownName + " constructed over the live base of " +
                     records_[previous->second].name);
  }
  if (object->hostRef08.text != nullptr || object->hostRef0C.text != nullptr ||
      object->hostRef10.text != nullptr || object->hostWord28 != 0) {
    problems_.Report("functions: " + shownName +
                     " constructed without clearing the host words at 8, 12, 16 and 40");
  }
  if (name == nullptr || className == nullptr) {
    problems_.Report("functions: construction without a function or class name");
  }
  ParameterEntry* table = nullptr;
  if (parameterCount > 0) {
    table = new ParameterEntry[parameterCount];
    for (u32 i = 0; i < parameterCount; ++i) {
      std::string parameterName = std::string("p").append(std::to_string(i + 1));
      table[i].pad00 = reinterpret_cast<uptr>(Intern(parameterName.c_str()));
      table[i].typeCode = BaseFill::kUnsetType;
    }
    tables_[object] = table;
    ++tableStats_.allocations;
    ++tableStats_.live;
  }
  object->pad04 = BaseFill::kMarker;
  object->hostRef08.text = Intern(name);
  object->hostRef0C.text = Intern(className);
  object->hostRef10.text = Intern(isStatic != 0 ? "static" : "member");
  object->resultType = TypeCode::kNone;
  object->parameters = table;
  object->pad1C = BaseFill::kField1C;
  object->hostCount1E = static_cast<u16>(parameterCount);
  object->hostByte20 = isStatic != 0 ? 1 : 0;
  object->hostByte21 = BaseFill::kByte21;
  object->pad22 = BaseFill::kField22;
  object->hostWord24 = BaseFill::kWord24 | parameterCount;
  object->hostWord28 = BaseFill::kWord28;
  latest_[object] = records_.size();
  records_.push_back(FunctionRecord{object, shownName, className != nullptr ? className : "",
                                    isStatic, parameterCount, false});
}

void FunctionLedger::Destruct(NativeFunctionBase* object) {
  std::lock_guard lock(mutex_);
  auto it = latest_.find(object);
  if (it == latest_.end()) {
    problems_.Report("functions: destruction of a base that was never constructed");
    return;
  }
  FunctionRecord& record = records_[it->second];
  if (record.destructed) {
    problems_.Report("functions: base of " + record.name + " destructed twice");
    return;
  }
  record.destructed = true;
  auto table = tables_.find(object);
  if (table != tables_.end()) {
    delete[] table->second;
    tables_.erase(table);
    ++tableStats_.frees;
    --tableStats_.live;
  }
  object->pad04 = BaseFill::kDestroyed;
  object->parameters = nullptr;
  object->hostRef08.text = nullptr;
  object->hostRef0C.text = nullptr;
  object->hostRef10.text = nullptr;
}

uptr FunctionLedger::SlotAnswer(u32 slot, uptr a, uptr b) {
  return (a << 8) ^ (b * 3) ^ (uptr{slot} * 0x01010101u);
}

uptr FunctionLedger::Slot(u32 slot, NativeFunctionBase* object, uptr a, uptr b) {
  std::lock_guard lock(mutex_);
  auto it = latest_.find(object);
  if (it == latest_.end() || records_[it->second].destructed) {
    problems_.Report("functions: position " + std::to_string(slot) +
                     " called on an object that is no constructed base");
  }
  uptr result = SlotAnswer(slot, a, b);
  slotCalls_.push_back(SlotCall{slot, object, a, b, result});
  return result;
}

std::optional<FunctionRecord> FunctionLedger::Find(const void* object) const {
  std::lock_guard lock(mutex_);
  auto it = latest_.find(object);
  if (it == latest_.end()) return std::nullopt;
  return records_[it->second];
}

std::vector<FunctionRecord> FunctionLedger::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::vector<FunctionRecord> FunctionLedger::LiveBases() const {
  std::lock_guard lock(mutex_);
  std::vector<FunctionRecord> live;
  for (const auto& [object, index] : latest_) {
    if (!records_[index].destructed) live.push_back(records_[index]);
  }
  return live;
}

std::vector<SlotCall> FunctionLedger::SlotCalls() const {
  std::lock_guard lock(mutex_);
  return slotCalls_;
}

TableStats FunctionLedger::ParameterTables() const {
  std::lock_guard lock(mutex_);
  return tableStats_;
}

void FunctionLedger::Reset() {
  std::lock_guard lock(mutex_);
  for (auto& [object, table] : tables_) delete[] table;
  tables_.clear();
  records_.clear();
  latest_.clear();
  slotCalls_.clear();
  tableStats_ = TableStats{};
}

}  // namespace vialmark::substitute
