#include <windows.h>

#include "text/codepage.h"

namespace fenmarrow {
namespace {

std::optional<std::u16string> RawToWide(std::string_view bytes, DWORD flags) {
  if (bytes.empty()) return std::u16string();
  const int length = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(kCodePage936, flags, bytes.data(), length, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::u16string out(static_cast<std::size_t>(units), u'\0');
  if (MultiByteToWideChar(kCodePage936, flags, bytes.data(), length,
                          reinterpret_cast<wchar_t*>(out.data()), units) != units) {
    return std::nullopt;
  }
  return out;
}

std::optional<std::string> RawToNarrow(std::u16string_view units, DWORD flags, BOOL* used_default) {
  if (units.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int length = static_cast<int>(units.size());
  const int bytes =
      WideCharToMultiByte(kCodePage936, flags, wide, length, nullptr, 0, nullptr, used_default);
  if (bytes <= 0) return std::nullopt;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  if (WideCharToMultiByte(kCodePage936, flags, wide, length, out.data(), bytes, nullptr,
                          used_default) != bytes) {
    return std::nullopt;
  }
  return out;
}

}  // namespace

std::optional<std::u16string> Cp936ToUtf16(std::string_view bytes, Conversion mode) {
  if (mode == Conversion::kLenient) {
    auto wide = RawToWide(bytes, 0);
    return wide ? wide : std::u16string(bytes.size(), u'?');
  }
  auto wide = RawToWide(bytes, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  // Some byte pairs decode without complaint yet encode back differently.
  BOOL used_default = FALSE;
  auto back = RawToNarrow(*wide, WC_NO_BEST_FIT_CHARS, &used_default);
  if (!back || used_default || *back != bytes) return std::nullopt;
  return wide;
}

std::optional<std::string> Utf16ToCp936(std::u16string_view units, Conversion mode) {
  if (mode == Conversion::kLenient) {
    auto narrow = RawToNarrow(units, 0, nullptr);
    return narrow ? narrow : std::string(units.size(), '?');
  }
  BOOL used_default = FALSE;
  auto narrow = RawToNarrow(units, WC_NO_BEST_FIT_CHARS, &used_default);
  if (!narrow || used_default) return std::nullopt;
  auto back = RawToWide(*narrow, MB_ERR_INVALID_CHARS);
  if (!back || *back != units) return std::nullopt;
  return narrow;
}

}  // namespace fenmarrow
