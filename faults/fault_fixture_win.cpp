#include <windows.h>

#include "faults/fault_fixture.h"

namespace fenmarrow::faults {
namespace {

namespace fs = std::filesystem;

std::string Why(const char* what) {
  return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

std::wstring LiteralText(const fs::path& path) {
  // fs::absolute goes through GetFullPathNameW, which gives up past MAX_PATH.
  std::wstring text = (path.is_absolute() ? path : fs::current_path() / path).wstring();
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  if (text.rfind(L"\\\\?\\", 0) == 0) return text;
  if (text.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + text.substr(2);
  return L"\\\\?\\" + text;
}

void RemoveLiteral(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    return;
  }
  // A link to a folder goes as a link; what it points at stays.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") RemoveLiteral(path + L"\\" + name);
      } while (FindNextFileW(search, &data));
      FindClose(search);
    }
  }
  RemoveDirectoryW(path.c_str());
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

std::optional<std::vector<FolderEntry>> ListFolder(const fs::path& folder) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((LiteralText(folder) + L"\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<FolderEntry> entries;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    EntryKind kind = EntryKind::kFile;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      kind = EntryKind::kLink;
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      kind = EntryKind::kFolder;
    }
    entries.push_back({name, kind});
  } while (FindNextFileW(search, &data));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  if (!complete) return std::nullopt;
  return entries;
}

std::optional<std::string> ReadFileExact(const fs::path& path) {
  HANDLE file = CreateFileW(LiteralText(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string content;
  char buffer[65536];
  DWORD read = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr)) && read > 0) {
    content.append(buffer, read);
  }
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return content;
}

fs::path::string_type LinkTarget(const fs::path&) { return L""; }

void RemoveTree(const fs::path& path) { RemoveLiteral(LiteralText(path)); }

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
