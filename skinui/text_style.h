// How a text control places its text inside its rectangle.
#pragma once

namespace SkinUI {

enum TextStyle : unsigned {
  kTextLeft = 0x001,
  kTextCenter = 0x002,
  kTextRight = 0x004,
  kTextTop = 0x010,
  kTextVCenter = 0x020,
  kTextBottom = 0x040,
  kTextSingleLine = 0x100,
  kTextWordBreak = 0x200,
};

constexpr unsigned kTextHorizontalMask = kTextLeft | kTextCenter | kTextRight;
constexpr unsigned kTextVerticalMask = kTextTop | kTextVCenter | kTextBottom;

}  // namespace SkinUI
