#include "win_base_ex.h"

#include "skin_resources.h"

namespace tavrin::uninst {

namespace {

constexpr wchar_t kShadowImage[] = L"shadow.png";
constexpr LONG kShadowBand = 16;

// Shared icons belong to the system: nothing to destroy.
HICON LoadProgramIcon(int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageW(SkinUI::CSkinResources::GetInstance(), MAKEINTRESOURCEW(kIconResourceId),
                                         IMAGE_ICON, ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric),
                                         LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

CWinBaseEx::~CWinBaseEx() = default;

LRESULT CWinBaseEx::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) return 0;
  return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

void CWinBaseEx::SetWindowIcons() {
  ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadProgramIcon(SM_CXICON, SM_CYICON)));
  ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON)));
}

void CWinBaseEx::CreateShadow() {
  SetWindowIcons();
  m_pWndShadow = std::make_unique<SkinUI::CWindowShadow>();
  m_pWndShadow->Create(m_hWnd);
  const RECT shadowWidths{kShadowBand, kShadowBand, kShadowBand, kShadowBand};
  const RECT holeOffsets{0, 0, 0, 0};
  m_pWndShadow->SetImage(kShadowImage, shadowWidths, holeOffsets);
}

}  // namespace tavrin::uninst
