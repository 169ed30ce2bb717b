// Runs a piece of cleanup when the scope that made it ends, for pairs that
// have no value to own (a paint cycle, a setting to put back). Owners of a
// handle or pointer belong in the family headers (handles.h and beside it).
#pragma once

#include <utility>

namespace tavrin {

template <typename Action>
class ScopeExit {
 public:
  explicit ScopeExit(Action action) : m_action(std::move(action)) {}
  ~ScopeExit() {
    if (m_armed) m_action();
  }
  ScopeExit(ScopeExit&& other) noexcept : m_action(std::move(other.m_action)), m_armed(other.m_armed) {
    other.m_armed = false;
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ScopeExit& operator=(ScopeExit&&) = delete;

  // The cleanup will not run: the caller took it over or it is no longer due.
  void dismiss() { m_armed = false; }

 private:
  Action m_action;
  bool m_armed = true;
};

// auto done = tavrin::onScopeExit([&] { ... });
template <typename Action>
[[nodiscard]] ScopeExit<Action> onScopeExit(Action action) {
  return ScopeExit<Action>(std::move(action));
}

}  // namespace tavrin
