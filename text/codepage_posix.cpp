#include <errno.h>
#include <iconv.h>

#include <cstring>

#include "text/byte_buffer.h"
#include "text/codepage.h"

namespace fenmarrow {
namespace {

// Owns one iconv conversion descriptor.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Converts `in` step by step. On a sequence that does not convert, `lenient`
// writes `replacement` and passes over `skip` input bytes; otherwise the
// conversion fails.
std::optional<std::string> Convert(const IconvHandle& handle, std::string_view in, bool lenient,
                                   std::string_view replacement, std::size_t skip) {
  if (!handle.valid()) return std::nullopt;
  // A descriptor is reused from call to call; start from its initial state.
  iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
  std::string out;
  char buffer[1024];
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = buffer;
    std::size_t dst_left = sizeof(buffer);
    const std::size_t rc = iconv(handle.get(), &src, &src_left, &dst, &dst_left);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ: an invalid or unmappable sequence; EINVAL: one cut off at the end.
    if (!lenient) return std::nullopt;
    out.append(replacement);
    const std::size_t step = std::min(skip, src_left);
    src += step;
    src_left -= step;
    iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

const char kReplacementUtf16le[] = {'?', '\0'};

// Opening a descriptor costs more than converting a file name, and names are
// converted by the thousand; each thread keeps one per direction.
const IconvHandle& Decoder() {
  thread_local const IconvHandle handle("UTF-16LE", "CP936");
  return handle;
}
const IconvHandle& Encoder() {
  thread_local const IconvHandle handle("CP936", "UTF-16LE");
  return handle;
}

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsAscii(std::u16string_view units) {
  for (char16_t unit : units) {
    if (unit >= 0x80) return false;
  }
  return true;
}

std::optional<std::u16string> DecodeRaw(std::string_view bytes, bool lenient) {
  auto raw = Convert(Decoder(), bytes, lenient, std::string_view(kReplacementUtf16le, 2), 1);
  if (!raw) return std::nullopt;
  return UnitsFromLittleEndian(*raw);
}

std::optional<std::string> EncodeRaw(std::u16string_view units, bool lenient) {
  // Each unit that does not convert becomes one '?', so an emoji (a
  // surrogate pair) becomes "??".
  const WideText le = LittleEndianFromUnits(units);
  return Convert(Encoder(), std::string_view(reinterpret_cast<const char*>(le.data()), le.size()),
                 lenient, "?", 2);
}

}  // namespace

std::optional<std::u16string> Cp936ToUtf16(std::string_view bytes, Conversion mode) {
  // ASCII is the same in both and always exact; most file names are ASCII.
  if (IsAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
  if (mode == Conversion::kLenient) return DecodeRaw(bytes, true);
  auto wide = DecodeRaw(bytes, false);
  if (!wide) return std::nullopt;
  auto back = EncodeRaw(*wide, false);
  if (!back || *back != bytes) return std::nullopt;
  return wide;
}

std::optional<std::string> Utf16ToCp936(std::u16string_view units, Conversion mode) {
  if (IsAscii(units)) return std::string(units.begin(), units.end());
  if (mode == Conversion::kLenient) return EncodeRaw(units, true);
  auto narrow = EncodeRaw(units, false);
  if (!narrow) return std::nullopt;
  auto back = DecodeRaw(*narrow, false);
  if (!back || *back != units) return std::nullopt;
  return narrow;
}

}  // namespace fenmarrow
