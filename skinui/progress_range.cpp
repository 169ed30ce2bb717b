#include "progress_range.h"

#include <algorithm>

namespace SkinUI {

void ProgressRange::SetValue(int value) {
  if (value > max_) value = max_;
  if (value < min_) value = min_;
  value_ = value;
}

int ProgressRange::FillLength(int length) const {
  int max = max_ <= min_ ? min_ + 1 : max_;
  int value = std::clamp(value_, min_, max);
  return static_cast<int>(static_cast<long long>(length) * (value - min_) / (max - min_));
}

}  // namespace SkinUI
