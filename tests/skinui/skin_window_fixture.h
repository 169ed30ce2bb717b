// A skinned test window built like the uninstaller's (the skin archive of
// resource 103, a drop shadow with "shadow.png"), and message pumping.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "window_impl_base.h"
#include "window_shadow.h"

namespace skintest {

// Initialize of the shadow class, done once per process; its first result.
bool ShadowClassReady();

// Handles the messages that arrive within `milliseconds`.
void PumpMessages(DWORD milliseconds);
// Pumps until the condition holds or the time is up; the condition's last value.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD milliseconds) {
  DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > milliseconds) return condition();
    PumpMessages(10);
  }
  return true;
}

class SkinTestWindow : public SkinUI::WindowImplBase {
 public:
  explicit SkinTestWindow(bool withShadow = true) : m_withShadow(withShadow) {}

  LPCWSTR GetWindowClassName() const override { return L"SkinTestWnd"; }
  void InitWindow() override;
  void OnClick(SkinUI::TNotifyUI& msg) override;
  void OnFinalMessage(HWND hWnd) override;

  // Created as the uninstaller creates its window.
  bool CreateLikeUninstaller();

  SkinUI::CWindowShadow* Shadow() const { return m_shadow.get(); }
  int initCount = 0;
  bool destroyed = false;
  struct Click {
    std::wstring name;
    int checkedAtClick;  // -1 for controls other than check boxes
  };
  std::vector<Click> clicks;

 protected:
  std::wstring GetSkinFolder() override { return L"UninstSkin\\"; }
  std::wstring GetSkinFile() override { return L"UninstDlg.xml"; }
  SkinUI::SkinResourceType GetResourceType() const override { return SkinUI::kSkinZipResource; }
  UINT GetResourceID() const override { return 103; }

 private:
  bool m_withShadow;
  std::unique_ptr<SkinUI::CWindowShadow> m_shadow;
};

}  // namespace skintest
