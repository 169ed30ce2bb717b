// Controls that show text: labels and, built on them, buttons, check boxes,
// progress bars and multi-line text. Each starts the graphics library while
// it exists.
#pragma once

#include "control.h"
#include "graphics_session.h"
#include "progress_range.h"
#include "text_style.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  const wchar_t* GetClass() const override { return L"Label"; }
  void SetAttribute(std::string_view name, std::string_view value) override;

  int GetFont() const { return font_; }
  uint32_t GetTextColor() const { return textColor_; }
  uint32_t GetDisabledTextColor() const { return disabledTextColor_; }
  unsigned GetTextStyle() const { return textStyle_; }
  const UiRect& GetTextPadding() const { return textPadding_; }

 protected:
  void PaintText(IRenderTarget& target) override;
  void SetTextStyle(unsigned style) { textStyle_ = style; }

 private:
  GraphicsSession graphics_;
  int font_ = -1;
  uint32_t textColor_ = 0;
  uint32_t disabledTextColor_ = 0;
  unsigned textStyle_ = kTextSingleLine | kTextLeft | kTextVCenter;
  UiRect textPadding_;
};

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  const wchar_t* GetClass() const override { return L"Button"; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  bool WantsFocus() const override { return true; }
  void DoEvent(const UiEvent& event) override;
  // Sends "click" to the window.
  bool Activate() override;

  const ImageDescriptor& GetNormalImage() const { return normalImage_; }
  const ImageDescriptor& GetHotImage() const { return hotImage_; }
  const ImageDescriptor& GetPushedImage() const { return pushedImage_; }
  const ImageDescriptor& GetDisabledImage() const { return disabledImage_; }
  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }

 protected:
  void PaintStatusImage(IRenderTarget& target) override;
  // The image for the current state (normal when the state has none).
  const ImageDescriptor& StateImage() const;

 private:
  ImageDescriptor normalImage_;
  ImageDescriptor hotImage_;
  ImageDescriptor pushedImage_;
  ImageDescriptor disabledImage_;
  bool hot_ = false;
  bool pushed_ = false;
  bool captured_ = false;
};

class CCheckBoxUI : public CButtonUI {
 public:
  const wchar_t* GetClass() const override { return L"CheckBox"; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  // Sends "click" first, then toggles the checked state.
  bool Activate() override;

  bool GetCheck() const { return checked_; }
  void SetCheck(bool checked);
  const ImageDescriptor& GetSelectedImage() const { return selectedImage_; }

 protected:
  void PaintStatusImage(IRenderTarget& target) override;

 private:
  ImageDescriptor selectedImage_;
  bool checked_ = false;
};

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  const wchar_t* GetClass() const override { return L"Progress"; }
  void SetAttribute(std::string_view name, std::string_view value) override;

  int GetMinValue() const { return range_.Min(); }
  int GetMaxValue() const { return range_.Max(); }
  int GetValue() const { return range_.Value(); }
  void SetMinValue(int min);
  void SetMaxValue(int max);
  void SetValue(int value);
  bool IsHorizontal() const { return horizontal_; }
  const ImageDescriptor& GetForeImage() const { return foreImage_; }
  // The part of the control the fill covers.
  UiRect GetFillRect() const;

 protected:
  void PaintStatusImage(IRenderTarget& target) override;

 private:
  ProgressRange range_;
  bool horizontal_ = true;
  ImageDescriptor foreImage_;
};

// Multi-line text, wrapped at word boundaries.
class CTextUI : public CLabelUI {
 public:
  CTextUI();
  const wchar_t* GetClass() const override { return L"Text"; }
};

}  // namespace SkinUI
