#include "text/byte_buffer.h"

#include <algorithm>

namespace fenmarrow {

ByteBuffer ZeroBytes(std::int32_t n) { return n <= 0 ? ByteBuffer() : ByteBuffer(n, 0); }

ByteBuffer LeadingBytes(const ByteBuffer& buffer, std::int32_t n) {
  if (n <= 0) return {};
  const auto keep = std::min<std::size_t>(static_cast<std::size_t>(n), buffer.size());
  return ByteBuffer(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(keep));
}

std::int32_t ByteCount(const ByteBuffer& buffer) {
  return static_cast<std::int32_t>(buffer.size());
}

ByteBuffer CopyBytes(const std::uint8_t* first, std::int32_t n) {
  if (first == nullptr || n <= 0) return {};
  return ByteBuffer(first, first + n);
}

ByteBuffer TextBytes(const GbkText& text) { return ByteBuffer(text.begin(), text.end()); }

GbkText TextFromBytes(const ByteBuffer& buffer) {
  const auto end = std::find(buffer.begin(), buffer.end(), std::uint8_t{0});
  return GbkText(buffer.begin(), end);
}

ByteBuffer JoinBytes(const ByteBuffer& a, const ByteBuffer& b) {
  ByteBuffer joined;
  joined.reserve(a.size() + b.size());
  joined.insert(joined.end(), a.begin(), a.end());
  joined.insert(joined.end(), b.begin(), b.end());
  return joined;
}

std::u16string UnitsFromLittleEndian(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return units;
}

WideText LittleEndianFromUnits(std::u16string_view units) {
  WideText wide(units.size() * 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    wide[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    wide[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
  return wide;
}

}  // namespace fenmarrow
