#include "substitute/World.h"

namespace vialmark::substitute {
namespace {

constexpr uptr kVMFill = 0x5C417E00;

}  // namespace

World& World::Get() {
  static World* world = new World;
  return *world;
}

World::World()
    : heap_(problems_),
      forms_(problems_),
      handles_(forms_, problems_, calls_),
      objects_(heap_, handles_, problems_),
      functions_(problems_),
      binder_(objects_, problems_, calls_),
      registry_(objects_, handles_, binder_, functions_, problems_, calls_),
      frames_(objects_, problems_) {
  for (u32 i = 0; i < 64; ++i) vm_.pad000[i] = kVMFill + i;
  vm_.registry = &registry_;
  objects_.CreateClasses();
}

void World::Reset() {
  registry_.DestroyFunctions();
  registry_.Reset();
  frames_.Reset();
  objects_.Reset();
  heap_.Reset();
  forms_.Reset();
  handles_.Reset();
  functions_.Reset();
  actorValues_.Reset();
  handshake_.Reset();
  calls_.Clear();
  problems_.Clear();
  vmMissing_ = false;
  policyMissing_ = false;
  objects_.CreateClasses();
}

std::vector<std::string> World::Balance() {
  heap_.CheckGuards();
  std::vector<std::string> lines = problems_.All();
  auto add = [&lines](std::vector<std::string> more) {
    lines.insert(lines.end(), more.begin(), more.end());
  };
  add(objects_.Check());
  for (const auto& [block, info] : heap_.LiveBlocks()) {
    if (info.origin == Origin::kHost) continue;  // classes, objects and arrays: checked above
    if (registry_.Owns(block)) continue;
    lines.push_back("heap: " + std::to_string(info.size) + "-byte plugin block of request #" +
                    std::to_string(info.request + 1) + " was never freed");
  }
  for (const FunctionRecord& record : functions_.LiveBases()) {
    if (registry_.Owns(record.object)) continue;
    lines.push_back("functions: base of " + record.name +
                    " is still constructed but no registry owns it");
  }
  if (frames_.LiveFrames() != 0) {
    lines.push_back("arguments: " + std::to_string(frames_.LiveFrames()) +
                    " argument frames were never popped");
  }
  add(forms_.CheckUntouched());
  return lines;
}

std::vector<std::string> World::Finish() {
  registry_.DestroyFunctions();
  return Balance();
}

ScriptVM* World::VM() { return vmMissing_ ? nullptr : &vm_; }
HandlePolicy* World::Policy() { return policyMissing_ ? nullptr : &handles_; }
void World::SetVMMissing(bool missing) { vmMissing_ = missing; }
void World::SetPolicyMissing(bool missing) { policyMissing_ = missing; }

}  // namespace vialmark::substitute
