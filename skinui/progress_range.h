// Range and value of a progress bar and the width of its fill.
#pragma once

namespace SkinUI {

class ProgressRange {
 public:
  int Min() const { return m_min; }
  int Max() const { return m_max; }
  int Value() const { return m_value; }

  void SetMin(int min) { m_min = min; }
  void SetMax(int max) { m_max = max; }
  // The value is kept inside [min, max].
  void SetValue(int value);

  // Pixels of a bar `length` long that the fill covers: when max <= min the
  // range is taken as min..min + 1; the value is clamped into the range.
  int FillLength(int length) const;

 private:
  int m_min = 0;
  int m_max = 100;
  int m_value = 0;
};

}  // namespace SkinUI
