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

  int GetFont() const { return m_font; }
  uint32_t GetTextColor() const { return m_textColor; }
  uint32_t GetDisabledTextColor() const { return m_disabledTextColor; }
  unsigned GetTextStyle() const { return m_textStyle; }
  const UiRect& GetTextPadding() const { return m_textPadding; }

 protected:
  void PaintText(IRenderTarget& target) override;
  void SetTextStyle(unsigned style) { m_textStyle = style; }

 private:
  GraphicsSession m_graphics;
  int m_font = -1;
  uint32_t m_textColor = 0;
  uint32_t m_disabledTextColor = 0;
  unsigned m_textStyle = kTextSingleLine | kTextLeft | kTextVCenter;
  UiRect m_textPadding;
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

  const ImageDescriptor& GetNormalImage() const { return m_normalImage; }
  const ImageDescriptor& GetHotImage() const { return m_hotImage; }
  const ImageDescriptor& GetPushedImage() const { return m_pushedImage; }
  const ImageDescriptor& GetDisabledImage() const { return m_disabledImage; }
  bool IsHot() const { return m_hot; }
  bool IsPushed() const { return m_pushed; }

 protected:
  void PaintStatusImage(IRenderTarget& target) override;
  // The image for the current state (normal when the state has none).
  const ImageDescriptor& StateImage() const;

 private:
  ImageDescriptor m_normalImage;
  ImageDescriptor m_hotImage;
  ImageDescriptor m_pushedImage;
  ImageDescriptor m_disabledImage;
  bool m_hot = false;
  bool m_pushed = false;
  bool m_captured = false;
};

class CCheckBoxUI : public CButtonUI {
 public:
  const wchar_t* GetClass() const override { return L"CheckBox"; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  // Sends "click" first, then toggles the checked state.
  bool Activate() override;

  bool GetCheck() const { return m_checked; }
  void SetCheck(bool checked);
  const ImageDescriptor& GetSelectedImage() const { return m_selectedImage; }

 protected:
  void PaintStatusImage(IRenderTarget& target) override;

 private:
  ImageDescriptor m_selectedImage;
  bool m_checked = false;
};

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  const wchar_t* GetClass() const override { return L"Progress"; }
  void SetAttribute(std::string_view name, std::string_view value) override;

  int GetMinValue() const { return m_range.Min(); }
  int GetMaxValue() const { return m_range.Max(); }
  int GetValue() const { return m_range.Value(); }
  void SetMinValue(int min);
  void SetMaxValue(int max);
  void SetValue(int value);
  bool IsHorizontal() const { return m_horizontal; }
  const ImageDescriptor& GetForeImage() const { return m_foreImage; }
  // The part of the control the fill covers.
  UiRect GetFillRect() const;

 protected:
  void PaintStatusImage(IRenderTarget& target) override;

 private:
  ProgressRange m_range;
  bool m_horizontal = true;
  ImageDescriptor m_foreImage;
};

// Multi-line text, wrapped at word boundaries.
class CTextUI : public CLabelUI {
 public:
  CTextUI();
  const wchar_t* GetClass() const override { return L"Text"; }
};

}  // namespace SkinUI
