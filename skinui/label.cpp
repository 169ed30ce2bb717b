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
    font_ = ParseInteger(value);
  } else if (name == "textcolor") {
    textColor_ = ParseColor(value);
  } else if (name == "disabledtextcolor") {
    disabledTextColor_ = ParseColor(value);
  } else if (name == "align") {
    textStyle_ = ApplyAlignWords(textStyle_, value, kAlignWords, kAlignFlags, kTextHorizontalMask);
  } else if (name == "valign") {
    textStyle_ = ApplyAlignWords(textStyle_, value, kVAlignWords, kVAlignFlags, kTextVerticalMask);
  } else if (name == "textpadding") {
    textPadding_ = ParseRect(value);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CLabelUI::PaintText(IRenderTarget& target) {
  if (GetText().empty()) return;
  uint32_t color = IsEnabled() ? textColor_ : disabledTextColor_;
  target.DrawText(GetPos().Deflate(textPadding_), GetText(), font_, color, textStyle_);
}

// --- button --------------------------------------------------------------

CButtonUI::CButtonUI() { SetTextStyle(kTextSingleLine | kTextCenter | kTextVCenter); }

void CButtonUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "normalimage")
    normalImage_ = ParseImageDescriptor(value);
  else if (name == "hotimage")
    hotImage_ = ParseImageDescriptor(value);
  else if (name == "pushedimage")
    pushedImage_ = ParseImageDescriptor(value);
  else if (name == "disabledimage")
    disabledImage_ = ParseImageDescriptor(value);
  else
    CLabelUI::SetAttribute(name, value);
}

void CButtonUI::DoEvent(const UiEvent& event) {
  bool inside = GetPos().Contains(event.pt);
  switch (event.type) {
    case UiEventType::MouseEnter:
      hot_ = true;
      Invalidate();
      break;
    case UiEventType::MouseLeave:
      hot_ = false;
      Invalidate();
      break;
    case UiEventType::ButtonDown:
      if (!IsEnabled() || !inside) break;
      captured_ = true;
      pushed_ = true;
      Invalidate();
      break;
    case UiEventType::MouseMove:
      if (captured_ && pushed_ != inside) {
        pushed_ = inside;
        Invalidate();
      }
      break;
    case UiEventType::ButtonUp:
      if (!captured_) break;
      captured_ = false;
      pushed_ = false;
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
  if (!IsEnabled() && !disabledImage_.IsEmpty()) return disabledImage_;
  if (pushed_ && !pushedImage_.IsEmpty()) return pushedImage_;
  if ((hot_ || pushed_) && !hotImage_.IsEmpty()) return hotImage_;
  return normalImage_;
}

void CButtonUI::PaintStatusImage(IRenderTarget& target) {
  const ImageDescriptor& image = StateImage();
  if (!image.IsEmpty()) DrawImage(target, image);
}

// --- check box -----------------------------------------------------------

void CCheckBoxUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selectedimage")
    selectedImage_ = ParseImageDescriptor(value);
  else if (name == "selected")
    checked_ = IsTrue(value);
  else
    CButtonUI::SetAttribute(name, value);
}

bool CCheckBoxUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  SetCheck(!checked_);
  return true;
}

void CCheckBoxUI::SetCheck(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Invalidate();
}

void CCheckBoxUI::PaintStatusImage(IRenderTarget& target) {
  if (checked_ && !selectedImage_.IsEmpty())
    DrawImage(target, selectedImage_);
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
    horizontal_ = IsTrue(value);
  else if (name == "foreimage")
    foreImage_ = ParseImageDescriptor(value);
  else
    CLabelUI::SetAttribute(name, value);
}

void CProgressUI::SetMinValue(int min) {
  range_.SetMin(min);
  Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
  range_.SetMax(max);
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (value == range_.Value()) return;
  range_.SetValue(value);
  Invalidate();
}

UiRect CProgressUI::GetFillRect() const {
  UiRect fill = GetPos();
  if (horizontal_)
    fill.right = fill.left + range_.FillLength(fill.Width());
  else
    fill.top = fill.bottom - range_.FillLength(fill.Height());
  return fill;
}

void CProgressUI::PaintStatusImage(IRenderTarget& target) {
  UiRect fill = GetFillRect();
  if (fill.IsEmpty() || foreImage_.IsEmpty()) return;
  ImageDescriptor image = foreImage_;
  image.hasDest = true;
  image.dest = fill.Offset(-GetPos().left, -GetPos().top);
  DrawImage(target, image);
}

// --- text ----------------------------------------------------------------

CTextUI::CTextUI() { SetTextStyle(kTextWordBreak | kTextLeft | kTextTop); }

}  // namespace SkinUI
