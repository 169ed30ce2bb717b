#include "label.h"

#include "attribute_text.h"
#include "skin_tree.h"

namespace SkinUI {

namespace {

// Each word that occurs moves the alignment; the last one found wins.
unsigned ApplyAlignWords(unsigned style, std::string_view value, const char* const words[3], const unsigned flags[3],
                         unsigned mask) {
  for (int i = 0; i < 3; ++i) {
    if (value.find(words[i]) != std::string_view::npos) style = (style & ~mask) | flags[i];
  }
  return style;
}

}  // namespace

// --- label ---------------------------------------------------------------

CLabelUI::CLabelUI() = default;

void CLabelUI::SetAttribute(std::string_view name, std::string_view value) {
  static const char* const kAlignWords[3] = {"left", "center", "right"};
  static const unsigned kAlignFlags[3] = {kTextLeft, kTextCenter, kTextRight};
  static const char* const kVAlignWords[3] = {"top", "vcenter", "bottom"};
  static const unsigned kVAlignFlags[3] = {kTextTop, kTextVCenter, kTextBottom};
  if (name == "font") {
    m_font = ParseInteger(value);
  } else if (name == "textcolor") {
    m_textColor = ParseColor(value);
  } else if (name == "disabledtextcolor") {
    m_disabledTextColor = ParseColor(value);
  } else if (name == "align") {
    m_textStyle = ApplyAlignWords(m_textStyle, value, kAlignWords, kAlignFlags, kTextHorizontalMask);
  } else if (name == "valign") {
    m_textStyle = ApplyAlignWords(m_textStyle, value, kVAlignWords, kVAlignFlags, kTextVerticalMask);
  } else if (name == "textpadding") {
    m_textPadding = ParseRect(value);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CLabelUI::PaintText(IRenderTarget& target) {
  if (GetText().empty()) return;
  uint32_t color = IsEnabled() ? m_textColor : m_disabledTextColor;
  target.DrawText(GetPos().Deflate(m_textPadding), GetText(), m_font, color, m_textStyle);
}

// --- button --------------------------------------------------------------

CButtonUI::CButtonUI() { SetTextStyle(kTextSingleLine | kTextCenter | kTextVCenter); }

void CButtonUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "normalimage")
    m_normalImage = ParseImageDescriptor(value);
  else if (name == "hotimage")
    m_hotImage = ParseImageDescriptor(value);
  else if (name == "pushedimage")
    m_pushedImage = ParseImageDescriptor(value);
  else if (name == "disabledimage")
    m_disabledImage = ParseImageDescriptor(value);
  else
    CLabelUI::SetAttribute(name, value);
}

void CButtonUI::DoEvent(const UiEvent& event) {
  bool inside = GetPos().Contains(event.pt);
  switch (event.type) {
    case UiEventType::MouseEnter:
      m_hot = true;
      Invalidate();
      break;
    case UiEventType::MouseLeave:
      m_hot = false;
      Invalidate();
      break;
    case UiEventType::ButtonDown:
      if (!IsEnabled() || !inside) break;
      m_captured = true;
      m_pushed = true;
      Invalidate();
      break;
    case UiEventType::MouseMove:
      if (m_captured && m_pushed != inside) {
        m_pushed = inside;
        Invalidate();
      }
      break;
    case UiEventType::ButtonUp:
      if (!m_captured) break;
      m_captured = false;
      m_pushed = false;
      Invalidate();
      if (inside) Activate();
      break;
    case UiEventType::KeyDown:
      if (event.key == kKeySpace || event.key == kKeyReturn) Activate();
      break;
    default:
      break;
  }
}

bool CButtonUI::Activate() {
  if (!CLabelUI::Activate()) return false;
  if (GetTree() != nullptr) GetTree()->SendNotify(this, L"click");
  return true;
}

const ImageDescriptor& CButtonUI::StateImage() const {
  if (!IsEnabled() && !m_disabledImage.IsEmpty()) return m_disabledImage;
  if (m_pushed && !m_pushedImage.IsEmpty()) return m_pushedImage;
  if ((m_hot || m_pushed) && !m_hotImage.IsEmpty()) return m_hotImage;
  return m_normalImage;
}

void CButtonUI::PaintStatusImage(IRenderTarget& target) {
  const ImageDescriptor& image = StateImage();
  if (!image.IsEmpty()) DrawImage(target, image);
}

// --- check box -----------------------------------------------------------

void CCheckBoxUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selectedimage")
    m_selectedImage = ParseImageDescriptor(value);
  else if (name == "selected")
    m_checked = IsTrue(value);
  else
    CButtonUI::SetAttribute(name, value);
}

bool CCheckBoxUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  SetCheck(!m_checked);
  return true;
}

void CCheckBoxUI::SetCheck(bool checked) {
  if (m_checked == checked) return;
  m_checked = checked;
  Invalidate();
}

void CCheckBoxUI::PaintStatusImage(IRenderTarget& target) {
  if (m_checked && !m_selectedImage.IsEmpty())
    DrawImage(target, m_selectedImage);
  else
    CButtonUI::PaintStatusImage(target);
}

// --- progress ------------------------------------------------------------

CProgressUI::CProgressUI() {
  SetTextStyle(kTextSingleLine | kTextCenter | kTextVCenter);
  SetFixedHeight(12);
}

void CProgressUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "min")
    SetMinValue(ParseInteger(value));
  else if (name == "max")
    SetMaxValue(ParseInteger(value));
  else if (name == "value")
    SetValue(ParseInteger(value));
  else if (name == "hor")
    m_horizontal = IsTrue(value);
  else if (name == "foreimage")
    m_foreImage = ParseImageDescriptor(value);
  else
    CLabelUI::SetAttribute(name, value);
}

void CProgressUI::SetMinValue(int min) {
  m_range.SetMin(min);
  Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
  m_range.SetMax(max);
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (value == m_range.Value()) return;
  m_range.SetValue(value);
  Invalidate();
}

UiRect CProgressUI::GetFillRect() const {
  UiRect fill = GetPos();
  if (m_horizontal)
    fill.right = fill.left + m_range.FillLength(fill.Width());
  else
    fill.top = fill.bottom - m_range.FillLength(fill.Height());
  return fill;
}

void CProgressUI::PaintStatusImage(IRenderTarget& target) {
  UiRect fill = GetFillRect();
  if (fill.IsEmpty() || m_foreImage.IsEmpty()) return;
  ImageDescriptor image = m_foreImage;
  image.hasDest = true;
  image.dest = fill.Offset(-GetPos().left, -GetPos().top);
  DrawImage(target, image);
}

// --- text ----------------------------------------------------------------

CTextUI::CTextUI() { SetTextStyle(kTextWordBreak | kTextLeft | kTextTop); }

}  // namespace SkinUI
