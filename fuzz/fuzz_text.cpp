// Code page 936 conversions and RemoveLastChars on arbitrary bytes. Names on
// disk are reached through these conversions, so a round trip of text they
// accept as exact must give back the very same bytes, or the pass would
// rename a folder other than the one it measured.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/codepage.h"
#include "text/gbk_text.h"

#include "fuzz/fuzz_check.h"

namespace fenmarrow {
namespace {

void CheckBytes(const std::string& bytes) {
  const auto exact = Cp936ToUtf16(bytes, Conversion::kExact);
  const auto lenient = Cp936ToUtf16(bytes, Conversion::kLenient);
  Check(lenient.has_value(), "a lenient decode never fails");
  if (exact) {
    Check(*lenient == *exact, "lenient and exact decodes agree on valid text");
    const auto back = Utf16ToCp936(*exact, Conversion::kExact);
    Check(back.has_value() && *back == bytes, "an exact decode encodes back to the input");
  }

  // The zero-terminated forms see the text up to its first zero byte.
  const std::string text = bytes.substr(0, bytes.find('\0'));
  const WideText wide = GbkToWide(TextBytes(text));
  Check(wide.size() % 2 == 0, "GbkToWide gives whole units");
  if (text.empty()) {
    Check(wide.empty(), "GbkToWide of nothing is nothing");
  } else {
    Check(wide.size() >= 2 && wide[wide.size() - 1] == 0 && wide[wide.size() - 2] == 0,
          "GbkToWide ends with a zero unit");
  }
  const WideText cut = CutAtWideNul(wide, false);
  Check(cut.size() % 2 == 0 && UnitsFromLittleEndian(cut).find(u'\0') == std::u16string::npos,
        "CutAtWideNul leaves no zero unit");
  const auto text_exact = Cp936ToUtf16(text, Conversion::kExact);
  if (text_exact) {
    Check(UnitsFromLittleEndian(cut) == *text_exact, "GbkToWide decodes like Cp936ToUtf16");
    Check(WideToGbk(wide) == text, "WideToGbk(GbkToWide(text)) is the text");
    Check(GbkTextToWide(text, true) == cut, "GbkTextToWide cuts like CutAtWideNul");
  }
}

void CheckUnits(const std::u16string& units) {
  const auto exact = Utf16ToCp936(units, Conversion::kExact);
  const auto lenient = Utf16ToCp936(units, Conversion::kLenient);
  Check(lenient.has_value(), "a lenient encode never fails");
  if (exact) {
    Check(*lenient == *exact, "lenient and exact encodes agree on valid text");
    const auto back = Cp936ToUtf16(*exact, Conversion::kExact);
    Check(back.has_value() && *back == units, "an exact encode decodes back to the input");
  }
  // Arbitrary units through the byte form: an odd byte, no zero unit.
  WideText wide;
  for (char16_t u : units) {
    wide.push_back(static_cast<std::uint8_t>(u & 0xFF));
    wide.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  if (!wide.empty() && (units[0] & 1)) wide.pop_back();
  const GbkText narrow = WideToGbk(wide);
  Check(narrow.find('\0') == std::string::npos, "WideToGbk gives no zero byte");
  const WideText with_zero = CutAtWideNul(wide, true);
  Check(with_zero.empty() || (with_zero.size() >= 4 && with_zero.size() % 2 == 0),
        "CutAtWideNul with its zero unit");
}

void CheckRemoveLastChars(const std::string& text, std::int32_t n) {
  const GbkText shorter = RemoveLastChars(text, n);
  const auto units = Cp936ToUtf16(text, Conversion::kExact);
  if (!units || text.find('\0') != std::string::npos) return;
  if (n <= 0) {
    Check(shorter == text, "RemoveLastChars(text, n <= 0) keeps the text");
    return;
  }
  // Valid text loses exactly its last n units and keeps the bytes before.
  Check(text.compare(0, shorter.size(), shorter) == 0, "RemoveLastChars keeps a prefix");
  const std::size_t keep =
      units->size() > static_cast<std::size_t>(n) ? units->size() - static_cast<std::size_t>(n) : 0;
  const auto kept_units = Cp936ToUtf16(shorter, Conversion::kExact);
  Check(kept_units.has_value() && *kept_units == units->substr(0, keep),
        "RemoveLastChars drops exactly n units");
}

}  // namespace
}  // namespace fenmarrow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fenmarrow;
  FuzzedDataProvider in(data, size);
  const std::int32_t n = in.ConsumeIntegral<std::int32_t>();
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  CheckBytes(bytes);
  CheckRemoveLastChars(bytes, n);
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  CheckUnits(units);
  return 0;
}
