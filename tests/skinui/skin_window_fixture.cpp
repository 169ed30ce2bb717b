#include "skin_window_fixture.h"

#include "label.h"
#include "skin_resources.h"

namespace skintest {

bool ShadowClassReady() {
  static const bool ready = SkinUI::CWindowShadow::Initialize(::GetModuleHandleW(nullptr));
  return ready;
}

void PumpMessages(DWORD milliseconds) {
  DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (::GetTickCount() - start < milliseconds);
}

void SkinTestWindow::InitWindow() {
  ++initCount;
  if (!m_withShadow) return;
  m_shadow = std::make_unique<SkinUI::CWindowShadow>();
  m_shadow->Create(m_hWnd);
  RECT widths{16, 16, 16, 16};
  RECT holes{0, 0, 0, 0};
  m_shadow->SetImage(L"shadow.png", widths, holes);
}

void SkinTestWindow::OnClick(SkinUI::TNotifyUI& msg) {
  auto* check = dynamic_cast<SkinUI::CCheckBoxUI*>(msg.pSender);
  clicks.push_back({msg.pSender->GetName(), check == nullptr ? -1 : (check->GetCheck() ? 1 : 0)});
}

void SkinTestWindow::OnFinalMessage(HWND hWnd) {
  WindowImplBase::OnFinalMessage(hWnd);
  destroyed = true;
}

bool SkinTestWindow::CreateLikeUninstaller() {
  ShadowClassReady();
  SkinUI::CSkinResources::SetInstance(::GetModuleHandleW(nullptr));
  return Create(nullptr, L"皮肤测试窗口", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_STATICEDGE | WS_EX_APPWINDOW, 0, 0,
                710, 470) != nullptr;
}

}  // namespace skintest
