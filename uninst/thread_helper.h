// Base of objects that own one worker thread: the thread calls Run().
#pragma once

namespace tavrin::uninst {

class ThreadHelper {
 public:
  ThreadHelper() = default;
  virtual ~ThreadHelper() = default;
  ThreadHelper(const ThreadHelper&) = delete;
  ThreadHelper& operator=(const ThreadHelper&) = delete;

  // The thread body.
  virtual void Run() = 0;

  // Start routine for the runtime's thread start; the parameter is the
  // object whose Run() the thread executes.
  static unsigned __stdcall ThreadStart(void* param);
};

}  // namespace tavrin::uninst
