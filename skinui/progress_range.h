// Range and value of a progress bar and the width of its fill.
#pragma once

namespace SkinUI {

class ProgressRange {
 public:
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Value() const { return value_; }

  void SetMin(int min) { min_ = min; }
  void SetMax(int max) { max_ = max; }
  // The value is kept inside [min, max].
  void SetValue(int value);

  // Pixels of a bar `length` long that the fill covers: when max <= min the
  // range is taken as min..min + 1; the value is clamped into the range.
  int FillLength(int length) const;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
};

}  // namespace SkinUI
