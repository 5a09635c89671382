// Code page 936 text and its UTF-16 form: the conversions every other
// subsystem goes through, reading the current directory, and removing
// characters from the end of a text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The UTF-16 text up to its first zero unit, in code page 936; what 936
// cannot hold becomes '?'. Units A, B, 0, C → "AB"; {} → "".
GbkText WideToGbk(const WideText& wide);

// The code page 936 bytes up to the first zero byte, in UTF-16, ended by a
// zero unit. Bytes A, B → units A, B, 0 (six bytes); A, 0, B → units A, 0;
// {} → {}.
WideText GbkToWide(const ByteBuffer& bytes);

// The units before the first zero unit, and one zero unit after them when
// asked. Units A, B, 0, C → A, B (append false) or A, B, 0 (append true);
// a buffer that starts with a zero unit, or of one byte → {}; an odd last
// byte is dropped.
WideText CutAtWideNul(const WideText& wide, bool append_zero_unit);

// The text in UTF-16; with cut = true without a zero unit. "AB", true →
// units A, B.
WideText GbkTextToWide(const GbkText& text, bool cut);

// The text without its last n UTF-16 code units, so that a double-byte
// character goes whole. ("Summer ", 1) → "Summer"; ("专辑 [中字]", 4) →
// "专辑 "; n ≤ 0 → unchanged; n ≥ the number of units → "".
GbkText RemoveLastChars(const GbkText& text, std::int32_t n);

// The process's current directory as the platform reports it, in code page
// 936; "" when it cannot be read. C:\照片 → the seven bytes "C:\\\xD5\xD5\xC6\xAC".
GbkText GetCurrentDirectoryText();

// The current directory only when code page 936 holds it exactly: a folder
// whose name would come back with '?' in it is nullopt, not a wrong path.
std::optional<GbkText> GetCurrentDirectoryTextExact();

// Literal UTF-8 text (as the sources are written) in code page 936.
// u8"视频" → "\xCA\xD3\xC6\xB5".
GbkText GbkFromUtf8(std::string_view utf8);

// Code page 936 text as UTF-16 for display; invalid bytes become '?'.
std::u16string Utf16FromGbk(const GbkText& text);

}  // namespace fenmarrow
