// Builds a window's control tree from a layout document (UTF-8 XML): the
// Window element's attributes, Font and Default elements, and one control per
// other element. Window, Font and Default attribute names are matched without
// regard to case, control attribute names exactly; attributes apply in
// document order, so a later one overrides an earlier one.
#pragma once

#include <string_view>

#include "dialog_builder_callback.h"
#include "skin_tree.h"

namespace SkinUI {

class CDialogBuilder {
 public:
  // The root control, now owned by the tree; nullptr when the document is
  // not a layout (not XML, no Window element, no control).
  static CControlUI* Create(std::string_view xml, CSkinTree& tree, IDialogBuilderCallback* callback);
};

// A control of one of the framework's classes, by element name; nullptr for others.
std::unique_ptr<CControlUI> CreateBuiltinControl(std::string_view elementName);

}  // namespace SkinUI
