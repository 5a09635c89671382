#include "tagging/size_text.h"

#include <charconv>
#include <cmath>

namespace fenmarrow {
namespace {

struct Unit {
  double divisor;
  const char* text;
};

constexpr double kKiB = 1024.0;
constexpr double kMiB = 1048576.0;
constexpr double kGiB = 1073741824.0;

Unit ChooseUnit(double bytes) {
  if (bytes >= kGiB) return {kGiB, "GB"};
  if (bytes >= kMiB) return {kMiB, "MB"};
  if (bytes >= kKiB) return {kKiB, "KB"};
  return {1.0, "B"};
}

// Half up on the magnitude at the second decimal. The nudge absorbs the
// representation error of values such as 1.005 × 100.
double RoundToCents(double value) {
  if (value == 0) return 0;
  const double magnitude = std::fabs(value);
  const double shifted = magnitude * 100 + 1e-12;
  double whole;
  const double fraction = std::modf(shifted, &whole);
  if (fraction >= 0.5) whole += 1;
  return std::copysign(whole / 100, value);
}

}  // namespace

GbkText FormatSizeText(double size) {
  const Unit unit = ChooseUnit(size);
  const double rounded = RoundToCents(unit.divisor == 1.0 ? size : size / unit.divisor);
  // to_chars ignores the C locale, unlike printf, whose "%.13g" prints a
  // comma under de_DE once a front-end has called setlocale.
  char number[64];
  const auto result =
      std::to_chars(number, number + sizeof(number), rounded, std::chars_format::general, 13);
  GbkText text(number, result.ptr);
  text += ' ';
  text += unit.text;
  return text;
}

}  // namespace fenmarrow
