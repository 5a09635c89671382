#include <windows.h>

#include "faults/fault_fixture.h"

namespace fenmarrow::faults {
namespace {

namespace fs = std::filesystem;

std::string Why(const char* what) {
  return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

std::wstring LiteralText(const fs::path& path) {
  std::wstring text = fs::absolute(path).wstring();
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  if (text.rfind(L"\\\\?\\", 0) == 0) return text;
  if (text.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + text.substr(2);
  return L"\\\\?\\" + text;
}

class WinHandle : public OpenHandle {
 public:
  explicit WinHandle(HANDLE handle) : handle_(handle) {}
  ~WinHandle() override { CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

}  // namespace

bool IsWindowsBuild() { return true; }

fs::path Literal(const fs::path& path) { return fs::path(LiteralText(path)); }

bool MakeFolderExact(const fs::path& path) {
  return CreateDirectoryW(LiteralText(path).c_str(), nullptr) != 0;
}

bool MakeFileExact(const fs::path& path, const std::string& content) {
  HANDLE file = CreateFileW(LiteralText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      content.empty() ||
      (WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
       written == content.size());
  return CloseHandle(file) && ok;
}

std::optional<fs::path> MakeBrokenNameFolder(const fs::path& base, const std::string& ascii_tail) {
  const fs::path path =
      base / (std::wstring(L"bad\xD800") + std::wstring(ascii_tail.begin(), ascii_tail.end()));
  if (!MakeFolderExact(path)) return std::nullopt;
  // Some file systems store a lone surrogate as something else; only a name
  // that really holds one is the fault wanted.
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((LiteralText(base) + L"\\bad*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  if (std::wstring(data.cFileName).find(L'\xD800') == std::wstring::npos) return std::nullopt;
  return path;
}

std::string MakeFolderLink(const fs::path& target, const fs::path& link) {
  constexpr DWORD kAllowUnprivileged = 0x2;
  CreateSymbolicLinkW(link.c_str(), target.c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY | kAllowUnprivileged);
  // Wine may answer success without making a reparse point; look.
  const DWORD attributes = GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Why("CreateSymbolicLinkW (no reparse point made)");
  }
  return "";
}

std::string MountTmpfs(const fs::path&) { return "Windows has no tmpfs mounts"; }
std::string BindReadOnly(const fs::path&, const fs::path&) {
  return "Windows has no read-only bind mounts";
}
void Unmount(const fs::path&) {}

std::string GiveToUnprivilegedUser(const fs::path&) {
  return "Wine does not enforce folder rights";
}

std::optional<std::string> RunUnprivileged(const std::function<std::string()>&,
                                           std::string& why_not) {
  why_not = "Wine does not enforce folder rights";
  return std::nullopt;
}

void LockFolder(const fs::path&) {}
void UnlockFolder(const fs::path&) {}

std::unique_ptr<OpenHandle> OpenWithoutDeleteSharing(const fs::path& path, std::string& why_not) {
  // FILE_FLAG_BACKUP_SEMANTICS opens a folder too. Sharing read and write but
  // not delete is what an image viewer or an indexer holds.
  HANDLE handle =
      CreateFileW(LiteralText(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    why_not = Why("CreateFileW");
    return nullptr;
  }
  return std::make_unique<WinHandle>(handle);
}

}  // namespace fenmarrow::faults
