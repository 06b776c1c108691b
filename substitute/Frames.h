// Argument lists and call states. The arguments of a call sit in a stack frame behind the
// caller's own slots: host_ArgumentList_Base gives the offset of the first argument (it
// differs from frame to frame) and host_ArgumentList_ValueAt the slot at base + index. The
// frame holds a reference for each argument it carries, dropped when the call returns.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "host/ScriptVM.h"
#include "substitute/Objects.h"
#include "substitute/Problems.h"

namespace vialmark::substitute {

class FrameStore {
 public:
  FrameStore(ObjectStore& objects, ProblemLog& problems);
  FrameStore(const FrameStore&) = delete;
  FrameStore& operator=(const FrameStore&) = delete;
  ~FrameStore();

  // A new frame holding a copy of each argument; its call state points to its argument list.
  CallState* Push(const std::vector<ScriptValue>& arguments);
  // Drops the frame's references and the frame.
  void Pop(CallState* state);
  // Argument `index` of a pushed frame, for tests.
  ScriptValue* Argument(CallState* state, u32 index);

  u32 Base(ArgumentList* list, CallState* state);
  ScriptValue* ValueAt(ArgumentList* list, CallState* state, u32 index, u32 base);

  std::size_t LiveFrames() const;
  void Reset();

 private:
  struct Frame;
  Frame* Find(const ArgumentList* list, const CallState* state, const char* operation);

  ObjectStore& objects_;
  ProblemLog& problems_;
  mutable std::mutex mutex_;
  std::map<const void*, std::unique_ptr<Frame>> frames_;
  u32 serial_ = 0;
};

}  // namespace vialmark::substitute
