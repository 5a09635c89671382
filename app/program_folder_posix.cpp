#include <unistd.h>

#include <vector>

#include "app/program_folder.h"
#include "text/utf8.h"

namespace fenmarrow {

const PathStyle kNativePathStyle = PathStyle::kPosix;

std::optional<std::u16string> ReadProgramPath() {
  // readlink does not say how long the link is: grow until it fits.
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<size_t>(length) < buffer.size()) {
      return Utf8ToUtf16(std::string_view(buffer.data(), static_cast<size_t>(length)));
    }
    if (buffer.size() >= (1u << 20)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

bool EnterFolder(std::u16string_view folder) {
  if (folder.empty()) return false;
  const std::optional<std::string> bytes = Utf16ToUtf8(folder);
  if (!bytes) return false;
  return chdir(bytes->c_str()) == 0;
}

}  // namespace fenmarrow
