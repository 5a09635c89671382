// Byte-level value types shared by every subsystem, and the few operations on
// them that the text conversions are built from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fenmarrow {

// A text in code page 936: its bytes without the terminating NUL. Lengths and
// positions count bytes, positions are 1-based, and a search that finds
// nothing answers -1. An absent text and the empty text are the same.
using GbkText = std::string;

// A length and that many bytes, which may include zero bytes.
using ByteBuffer = std::vector<std::uint8_t>;

// A ByteBuffer of UTF-16 code units, two bytes each, little-endian. Whether it
// ends with a zero unit is stated by the operation that makes it.
using WideText = ByteBuffer;

// n zero bytes. ZeroBytes(3) → {0,0,0}; ZeroBytes(-1) → {}.
ByteBuffer ZeroBytes(std::int32_t n);

// The first n bytes. LeadingBytes({1,2,3}, 2) → {1,2}; n ≤ 0 → {};
// n ≥ length → the whole buffer.
ByteBuffer LeadingBytes(const ByteBuffer& buffer, std::int32_t n);

// The number of bytes. ByteCount({}) → 0.
std::int32_t ByteCount(const ByteBuffer& buffer);

// A copy of the n bytes from `first` on. CopyBytes(p, 0) → {}.
ByteBuffer CopyBytes(const std::uint8_t* first, std::int32_t n);

// The bytes of a text, without a NUL. TextBytes("AB") → {'A','B'}.
ByteBuffer TextBytes(const GbkText& text);

// The bytes up to the first zero byte as a text.
// TextFromBytes({'A',0,'B'}) → "A"; TextFromBytes({}) → "".
GbkText TextFromBytes(const ByteBuffer& buffer);

// a followed by b. JoinBytes({1}, {2,3}) → {1,2,3}.
ByteBuffer JoinBytes(const ByteBuffer& a, const ByteBuffer& b);

// The UTF-16 code units held little-endian in `bytes`; an odd last byte
// belongs to no unit and is dropped. {'A',0,'B',0,'C'} → u"AB".
std::u16string UnitsFromLittleEndian(std::string_view bytes);
inline std::u16string UnitsFromLittleEndian(const WideText& wide) {
  return UnitsFromLittleEndian(
      std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size()));
}

// The units as little-endian bytes. u"AB" → {'A',0,'B',0}.
WideText LittleEndianFromUnits(std::u16string_view units);

}  // namespace fenmarrow
