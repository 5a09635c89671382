#include "text/gbk_text.h"

#include <cstring>

#include "text/codepage.h"
#include "text/current_dir.h"
#include "text/utf8.h"

namespace fenmarrow {

GbkText WideToGbk(const WideText& wide) {
  std::u16string units = UnitsFromLittleEndian(JoinBytes(wide, ZeroBytes(2)));
  // An odd-sized input gets its last unit completed by the first zero byte.
  if (const auto end = units.find(u'\0'); end != std::u16string::npos) units.resize(end);
  if (units.empty()) return {};
  // Lenient conversion never fails; a failed size query would give "".
  return TextFromBytes(TextBytes(Utf16ToCp936(units, Conversion::kLenient).value_or("")));
}

WideText GbkToWide(const ByteBuffer& bytes) {
  const ByteBuffer joined = JoinBytes(bytes, ZeroBytes(1));
  const auto* text = reinterpret_cast<const char*>(joined.data());
  const std::size_t length = std::strlen(text);
  if (length == 0) return {};
  std::u16string units =
      Cp936ToUtf16(std::string_view(text, length), Conversion::kLenient).value_or(u"");
  units.push_back(u'\0');
  return LittleEndianFromUnits(units);
}

WideText CutAtWideNul(const WideText& wide, bool append_zero_unit) {
  const std::int32_t length = ByteCount(wide);
  if (length < 2) return {};
  std::int32_t i = 0;
  while (i <= length - 2 && (wide[i] != 0 || wide[i + 1] != 0)) i += 2;
  if (i == 0) return {};
  WideText cut = CopyBytes(wide.data(), i);
  if (append_zero_unit) cut = JoinBytes(cut, ZeroBytes(2));
  return cut;
}

WideText GbkTextToWide(const GbkText& text, bool cut) {
  WideText wide = GbkToWide(TextBytes(text));
  if (cut) wide = CutAtWideNul(wide, false);
  return wide;
}

GbkText RemoveLastChars(const GbkText& text, std::int32_t n) {
  WideText wide = GbkTextToWide(text, true);
  // 64-bit arithmetic: a huge n must not wrap around to a positive keep.
  const std::int64_t keep = static_cast<std::int64_t>(ByteCount(wide)) - 2 * std::int64_t{n};
  if (keep < ByteCount(wide)) {
    wide = LeadingBytes(wide, static_cast<std::int32_t>(keep < 0 ? 0 : keep));
  }
  return WideToGbk(wide);
}

GbkText GetCurrentDirectoryText() {
  const auto units = ReadCurrentDirectory();
  if (!units) return {};
  return WideToGbk(LittleEndianFromUnits(*units));
}

std::optional<GbkText> GetCurrentDirectoryTextExact() {
  const auto units = ReadCurrentDirectory();
  if (!units || units->empty()) return std::nullopt;
  return Utf16ToCp936(*units, Conversion::kExact);
}

GbkText GbkFromUtf8(std::string_view utf8) {
  const auto units = Utf8ToUtf16(utf8);
  if (!units) return GbkText(utf8);
  return Utf16ToCp936(*units, Conversion::kLenient).value_or("");
}

std::u16string Utf16FromGbk(const GbkText& text) {
  return Cp936ToUtf16(text, Conversion::kLenient).value_or(u"");
}

}  // namespace fenmarrow
