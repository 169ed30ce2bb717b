// Asked by the layout builder for elements it does not know.
#pragma once

namespace SkinUI {

class CControlUI;

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A new control for the element name, or nullptr (the element is skipped).
  virtual CControlUI* CreateControl(const wchar_t* className) = 0;
};

}  // namespace SkinUI
