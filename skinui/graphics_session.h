// Keeps the graphics library (GDI+) started while it lives. Text controls
// hold one each; sessions nest, the library stops with the last one.
#pragma once

#include <cstdint>

namespace SkinUI {

class GraphicsSession {
 public:
  GraphicsSession();
  ~GraphicsSession();
  GraphicsSession(const GraphicsSession&) = delete;
  GraphicsSession& operator=(const GraphicsSession&) = delete;

  bool IsStarted() const { return m_token != 0; }

 private:
  uintptr_t m_token = 0;
};

}  // namespace SkinUI
