// Conversions between code page 936 and UTF-16, done by the platform:
// MultiByteToWideChar/WideCharToMultiByte on Windows, iconv on Linux.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fenmarrow {

inline constexpr unsigned kCodePage936 = 936;

enum class Conversion {
  // Never fails: what code page 936 cannot hold becomes '?', and bytes that
  // are not valid code page 936 become U+003F as well.
  kLenient,
  // Fails (nullopt) unless every character survives the round trip, so that
  // a caller can tell a name it can hold from one it would garble.
  kExact,
};

// Converts code page 936 bytes (all of them, zero bytes included) to UTF-16.
// "\xD7\xA8\xBC\xAD" → u"专辑"; "\x81" with kExact → nullopt.
std::optional<std::u16string> Cp936ToUtf16(std::string_view bytes, Conversion mode);

// Converts UTF-16 units (all of them) to code page 936.
// u"专辑" → "\xD7\xA8\xBC\xAD"; u"😀" → "?" (kLenient) or nullopt (kExact).
std::optional<std::string> Utf16ToCp936(std::u16string_view units, Conversion mode);

}  // namespace fenmarrow
