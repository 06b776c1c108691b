// The substitute host as a whole: one world per process, reached by the exported host_*
// operations and by tests alike. Reset() between tests returns it to its initial state (the
// string cache excepted: interned texts live as long as the process, as the plugin keeps them).
// The parts may be used from many threads at once; Reset, Balance and Finish may not run
// while plugin calls are in flight.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "host/ScriptVM.h"
#include "substitute/ActorValues.h"
#include "substitute/Forms.h"
#include "substitute/Frames.h"
#include "substitute/Functions.h"
#include "substitute/Handles.h"
#include "substitute/Handshake.h"
#include "substitute/Heap.h"
#include "substitute/Objects.h"
#include "substitute/Problems.h"
#include "substitute/Registry.h"

namespace vialmark::substitute {

class World {
 public:
  // Built on first use, also during static initialisation, and never destroyed.
  static World& Get();

  void Reset();
  // The end-of-test balance, as readable problem lines (empty when all is well):
  // every problem reported while the plugin ran; heap blocks that nobody holds (the registry
  // holds its classes and the function objects added to it, the builders what they made);
  // every class at the registry's count plus one per live object of it; every object and
  // array at the count the builders hold; every handle pinned once per object whose count is
  // 2 or more; no argument frame left; no function base left constructed that the registry
  // does not own; no form byte changed outside the fields the plugin may write.
  std::vector<std::string> Balance();
  // The host's teardown of the registered function objects, then Balance().
  std::vector<std::string> Finish();

  GameHeap& Heap() { return heap_; }
  FormStore& Forms() { return forms_; }
  HostHandles& Handles() { return handles_; }
  ObjectStore& Objects() { return objects_; }
  HostRegistry& Registry() { return registry_; }
  HostBinder& Binder() { return binder_; }
  FunctionLedger& Functions() { return functions_; }
  FrameStore& Frames() { return frames_; }
  ActorValueTable& ActorValues() { return actorValues_; }
  HandshakeHost& Handshake() { return handshake_; }
  ProblemLog& Problems() { return problems_; }
  CallLog& Calls() { return calls_; }

  // The VM record whose registry pointer host_ScriptVM hands out, or null while
  // SetVMMissing(true); likewise the global handle policy.
  ScriptVM* VM();
  HandlePolicy* Policy();
  void SetVMMissing(bool missing);
  void SetPolicyMissing(bool missing);

 private:
  World();

  ProblemLog problems_;
  CallLog calls_;
  GameHeap heap_;
  FormStore forms_;
  HostHandles handles_;
  ObjectStore objects_;
  FunctionLedger functions_;
  HostBinder binder_;
  HostRegistry registry_;
  FrameStore frames_;
  ActorValueTable actorValues_;
  HandshakeHost handshake_;
  ScriptVM vm_{};
  std::atomic<bool> vmMissing_ = false;
  std::atomic<bool> policyMissing_ = false;
};

}  // namespace vialmark::substitute
