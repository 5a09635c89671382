// The size text on arbitrary doubles. Any double must come out without a
// crash; a whole byte count, the only thing the pass ever hands it, must read
// "<number> <unit>" with at most two decimals and a number that is the count
// in that unit.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tagging/size_text.h"

#include "fuzz/fuzz_check.h"

namespace fenmarrow {
namespace {

void Check(bool ok, const char* what, double value, const std::string& text) {
  if (ok) return;
  char detail[64];
  std::snprintf(detail, sizeof(detail), "value %.17g -> ", value);
  FailProperty(what, detail + ("\"" + text + "\""));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Matches ^-?[0-9]+(\.[0-9]{1,2})? (B|KB|MB|GB)$ and gives the number and
// the unit's size in bytes.
bool ParseSizeText(const std::string& text, double& number, double& unit) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  const std::size_t digits = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i == digits) return false;
  if (i < text.size() && text[i] == '.') {
    const std::size_t decimals = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == decimals || i - decimals > 2) return false;
  }
  const std::string rest = text.substr(i);
  if (rest == " B") {
    unit = 1;
  } else if (rest == " KB") {
    unit = 1024.0;
  } else if (rest == " MB") {
    unit = 1048576.0;
  } else if (rest == " GB") {
    unit = 1073741824.0;
  } else {
    return false;
  }
  number = std::strtod(text.substr(0, i).c_str(), nullptr);
  return true;
}

void CheckWholeCount(double bytes) {
  const std::string text = FormatSizeText(bytes);
  double number = 0;
  double unit = 0;
  Check(ParseSizeText(text, number, unit),
        "the size text reads ^-?[0-9]+(\\.[0-9]{1,2})? (B|KB|MB|GB)$", bytes, text);
  // The largest unit the count reaches, and the number within half a cent
  // of it (plus the rounding of a double).
  const double expected_unit = bytes >= 1073741824.0 ? 1073741824.0
                               : bytes >= 1048576.0  ? 1048576.0
                               : bytes >= 1024.0     ? 1024.0
                                                     : 1.0;
  Check(unit == expected_unit, "the unit is the largest one the count reaches", bytes, text);
  const double exact = bytes / unit;
  Check(std::fabs(number - exact) <= 0.005 + std::fabs(exact) * 1e-12,
        "the number is the count in that unit, rounded to cents", bytes, text);
  if (unit == 1.0) Check(number == bytes, "a count below 1 KB is written whole", bytes, text);
}

}  // namespace
}  // namespace fenmarrow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fenmarrow;
  if (size >= sizeof(double)) {
    double any;
    std::memcpy(&any, data, sizeof any);
    const std::string text = FormatSizeText(any);  // NaN, infinities, tiny and huge values
    Check(!text.empty(), "a size text is never empty", any, text);
  }
  FuzzedDataProvider in(data, size);
  // Every whole count in [-1, 2^63): -1 is what a failed measure used to give.
  const std::int64_t count = in.ConsumeIntegralInRange<std::int64_t>(-1, INT64_MAX);
  CheckWholeCount(static_cast<double>(count));
  // Near the unit bounds, where rounding turns 1023.999 into 1024.
  const int shift = in.ConsumeIntegralInRange<int>(0, 62);
  const std::int64_t delta = in.ConsumeIntegralInRange<std::int64_t>(-4096, 4096);
  const std::int64_t near = (std::int64_t{1} << shift) + delta;
  if (near >= -1) CheckWholeCount(static_cast<double>(near));
  return 0;
}
