#include "progress_range.h"

#include <algorithm>

namespace SkinUI {

void ProgressRange::SetValue(int value) {
  if (value > m_max) value = m_max;
  if (value < m_min) value = m_min;
  m_value = value;
}

int ProgressRange::FillLength(int length) const {
  int max = m_max <= m_min ? m_min + 1 : m_max;
  int value = std::clamp(m_value, m_min, max);
  return static_cast<int>(static_cast<long long>(length) * (value - m_min) / (max - m_min));
}

}  // namespace SkinUI
