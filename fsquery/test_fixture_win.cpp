#include <windows.h>
#include <winioctl.h>

#include "fsquery/test_fixture.h"

namespace fenmarrow::test {

bool IsWindowsBuild() { return true; }

bool MakeSparseFile(const std::filesystem::path& path, std::int64_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  // Not every file system (nor Wine) supports the mark; the size is what counts.
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  return CloseHandle(file) && sized;
}

bool MarkHidden(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

bool MakeFileWithBrokenName(const std::filesystem::path& folder) {
  const std::wstring name = folder.wstring() + L"\\bad\xD800.jpg";
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  return CloseHandle(file);
}

namespace {

bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link, DWORD flags) {
  // Unprivileged creation needs developer mode on Windows 10 and later.
  constexpr DWORD kAllowUnprivileged = 0x2;
  CreateSymbolicLinkW(link.c_str(), target.c_str(), flags | kAllowUnprivileged);
  const DWORD attributes = GetFileAttributesW(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool MakeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link) {
  return MakeLink(target, link, SYMBOLIC_LINK_FLAG_DIRECTORY);
}

bool MakeFileLink(const std::filesystem::path& target, const std::filesystem::path& link) {
  return MakeLink(target, link, 0);
}

std::optional<std::int64_t> RunUnprivileged(const std::function<std::int64_t()>&) {
  return std::nullopt;
}

}  // namespace fenmarrow::test
