#include "substitute/Frames.h"

namespace vialmark::substitute {
namespace {

constexpr uptr kFrameMarker = 0xF4A3E000;
// The caller's own slots before the arguments and behind them: integers that no argument
// list of a test holds.
constexpr ScriptValue kCallerSlot{TypeCode::kInt, 0x0BADF00D};
constexpr u32 kTrailingSlots = 2;

}  // namespace

struct FrameStore::Frame {
  uptr marker = kFrameMarker;
  CallState state{};
  u32 base = 0;
  u32 count = 0;
  std::vector<ScriptValue> stack;
  ScriptValue scratch{};
};

FrameStore::FrameStore(ObjectStore& objects, ProblemLog& problems)
    : objects_(objects), problems_(problems) {}
FrameStore::~FrameStore() = default;

CallState* FrameStore::Push(const std::vector<ScriptValue>& arguments) {
  auto frame = std::make_unique<Frame>();
  frame->state.arguments = reinterpret_cast<ArgumentList*>(frame.get());
  frame->count = static_cast<u32>(arguments.size());
  {
    std::lock_guard lock(mutex_);
    frame->base = 2 + serial_++ % 5;
  }
  frame->stack.assign(frame->base + frame->count + kTrailingSlots, kCallerSlot);
  for (u32 i = 0; i < frame->count; ++i) {
    ScriptValue& slot = frame->stack[frame->base + i];
    slot = ScriptValue{TypeCode::kNone, 0};
    objects_.CopyValue(&slot, &arguments[i]);
  }
  CallState* state = &frame->state;
  std::lock_guard lock(mutex_);
  frames_[frame.get()] = std::move(frame);
  return state;
}

void FrameStore::Pop(CallState* state) {
  std::unique_ptr<Frame> frame;
  {
    std::lock_guard lock(mutex_);
    auto it = frames_.find(state->arguments);
    if (it == frames_.end()) return;
    frame = std::move(it->second);
    frames_.erase(it);
  }
  for (u32 i = 0; i < frame->count; ++i) objects_.ReleaseValue(&frame->stack[frame->base + i]);
}

ScriptValue* FrameStore::Argument(CallState* state, u32 index) {
  std::lock_guard lock(mutex_);
  auto it = frames_.find(state->arguments);
  if (it == frames_.end() || index >= it->second->count) return nullptr;
  return &it->second->stack[it->second->base + index];
}

FrameStore::Frame* FrameStore::Find(const ArgumentList* list, const CallState* state,
                                    const char* operation) {
  auto it = frames_.find(list);
  if (it == frames_.end()) {
    problems_.Report(std::string("arguments: ") + operation + " on no live argument list");
    return nullptr;
  }
  if (state == nullptr || state->arguments != list) {
    problems_.Report(std::string("arguments: ") + operation +
                     " with a call state of another argument list");
  }
  return it->second.get();
}

u32 FrameStore::Base(ArgumentList* list, CallState* state) {
  std::lock_guard lock(mutex_);
  Frame* frame = Find(list, state, "Base");
  return frame != nullptr ? frame->base : 0;
}

ScriptValue* FrameStore::ValueAt(ArgumentList* list, CallState* state, u32 index, u32 base) {
  std::lock_guard lock(mutex_);
  Frame* frame = Find(list, state, "ValueAt");
  if (frame == nullptr) return nullptr;
  if (base != frame->base || index >= frame->count) {
    problems_.Report("arguments: ValueAt(" + std::to_string(index) + ", base " +
                     std::to_string(base) + ") on a frame of " + std::to_string(frame->count) +
                     " arguments at base " + std::to_string(frame->base));
  }
  std::size_t position = std::size_t{base} + index;
  if (position >= frame->stack.size()) {
    frame->scratch = ScriptValue{TypeCode::kNone, 0};
    return &frame->scratch;
  }
  return &frame->stack[position];
}

std::size_t FrameStore::LiveFrames() const {
  std::lock_guard lock(mutex_);
  return frames_.size();
}

void FrameStore::Reset() {
  std::lock_guard lock(mutex_);
  frames_.clear();
}

}  // namespace vialmark::substitute
