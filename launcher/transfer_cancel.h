// The launcher run's cancel token. The main thread owns it and cancels it
// when the browser ends before the background work; every transfer that was
// given the token (the HTTP client, the pre-flight request, the rename loops)
// then stops promptly, and the background thread starts no further step.
#pragma once

#include <atomic>

namespace tavrin {

class CancelToken {
 public:
  CancelToken() = default;
  CancelToken(const CancelToken&) = delete;
  CancelToken& operator=(const CancelToken&) = delete;

  void cancel() { m_cancelled.store(true); }
  bool cancelled() const { return m_cancelled.load(); }

 private:
  std::atomic<bool> m_cancelled{false};
};

// True when `token` is given and cancelled; no token never cancels.
inline bool isCancelled(const CancelToken* token) { return token != nullptr && token->cancelled(); }

}  // namespace tavrin
