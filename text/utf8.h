// Strict UTF-8 ↔ UTF-16, for file names on Linux, where the disk holds UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fenmarrow {

// "\xE4\xB8\x93" → u"专". Invalid UTF-8 (bad bytes, overlong forms, encoded
// surrogates, values above U+10FFFF) → nullopt.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// u"专" → "\xE4\xB8\x93". A lone surrogate → nullopt.
std::optional<std::string> Utf16ToUtf8(std::u16string_view units);

}  // namespace fenmarrow
