// Builds without a window system have no graphics library to start.
#include "graphics_session.h"

namespace SkinUI {

GraphicsSession::GraphicsSession() = default;
GraphicsSession::~GraphicsSession() = default;

}  // namespace SkinUI
