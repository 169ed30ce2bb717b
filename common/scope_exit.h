// Runs a piece of cleanup when the scope that made it ends, for pairs that
// have no value to own (a paint cycle, a setting to put back). Owners of a
// handle or pointer belong in the family headers (handles.h and beside it).
#pragma once

#include <utility>

namespace tavrin {

template <typename Action>
class ScopeExit {
 public:
  explicit ScopeExit(Action action) : action_(std::move(action)) {}
  ~ScopeExit() {
    if (armed_) action_();
  }
  ScopeExit(ScopeExit&& other) noexcept : action_(std::move(other.action_)), armed_(other.armed_) {
    other.armed_ = false;
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ScopeExit& operator=(ScopeExit&&) = delete;

  // The cleanup will not run: the caller took it over or it is no longer due.
  void dismiss() { armed_ = false; }

 private:
  Action action_;
  bool armed_ = true;
};

// auto done = tavrin::onScopeExit([&] { ... });
template <typename Action>
[[nodiscard]] ScopeExit<Action> onScopeExit(Action action) {
  return ScopeExit<Action>(std::move(action));
}

}  // namespace tavrin
