// The base of the uninstaller's skinned windows: the skin comes from the zip
// archive of resource 103, the window carries the program's icon and a drop
// shadow drawn from "shadow.png", and Escape and Return never close it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "window_impl_base.h"
#include "window_shadow.h"

namespace tavrin::uninst {

constexpr UINT kSkinResourceId = 103;
constexpr UINT kIconResourceId = 102;

class CWinBaseEx : public SkinUI::WindowImplBase {
 public:
  CWinBaseEx() = default;
  // Deletes the drop shadow.
  ~CWinBaseEx() override;

  // Escape and Return go on to the focused control without the framework's
  // default key handling (which closes the window on Escape).
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  // None until CreateShadow.
  SkinUI::CWindowShadow* GetShadow() const { return m_pWndShadow.get(); }

 protected:
  std::wstring GetSkinFolder() override { return L"UninstSkin\\"; }
  SkinUI::SkinResourceType GetResourceType() const override { return SkinUI::kSkinZipResource; }
  // Only consulted for skins that are archive files on disk.
  std::wstring GetZIPFileName() const override { return L"UninstSkin.zip"; }
  UINT GetResourceID() const override { return kSkinResourceId; }

  // Sets the icons and attaches the drop shadow: "shadow.png", bands 16
  // pixels wide on every side, no hole offsets.
  virtual void CreateShadow();
  // Large and small icon from icon resource 102, at the system's sizes.
  void SetWindowIcons();

 private:
  std::unique_ptr<SkinUI::CWindowShadow> m_pWndShadow;
};

}  // namespace tavrin::uninst
