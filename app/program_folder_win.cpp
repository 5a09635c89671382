#include <windows.h>

#include <vector>

#include "app/program_folder.h"

namespace fenmarrow {

const PathStyle kNativePathStyle = PathStyle::kWindows;

std::optional<std::u16string> ReadProgramPath() {
  // The path may be longer than MAX_PATH (long paths, \\?\ names): grow the
  // buffer until the path fits rather than take a truncated one.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return std::nullopt;
    if (length < size) {
      return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
    }
    if (buffer.size() >= 32768) return std::nullopt;  // beyond any Windows path
    buffer.resize(buffer.size() * 2);
  }
}

bool EnterFolder(std::u16string_view folder) {
  if (folder.empty()) return false;
  const std::wstring wide(folder.begin(), folder.end());
  return SetCurrentDirectoryW(wide.c_str()) != FALSE;
}

}  // namespace fenmarrow
