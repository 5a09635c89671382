#include <windows.h>

#include <limits>

#include "fsquery/tree_walk.h"
#include "fsquery/win_path.h"
#include "text/codepage.h"

namespace fenmarrow {

std::optional<std::wstring> WideFromGbk(const GbkText& text) {
  const std::string_view bytes(text.data(), std::min(text.find('\0'), text.size()));
  const auto units = Cp936ToUtf16(bytes, Conversion::kExact);
  if (!units) return std::nullopt;
  return std::wstring(units->begin(), units->end());
}

bool HasNameEndingInDotOrSpace(const std::wstring& path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring_view name(path.data() + start, end - start);
    if (!name.empty() && name != L"." && name != L".." &&
        (name.back() == L'.' || name.back() == L' ')) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

namespace {

bool IsDotName(std::wstring_view name) { return name == L"." || name == L".."; }

// A full drive or share path with its separators made single, when it is
// one and holds no "." or ".." to resolve; nullopt otherwise. Unlike
// GetFullPathNameW it keeps the dots and spaces that end a name.
std::optional<std::wstring> ExtendedFromFullPath(std::wstring path) {
  for (wchar_t& unit : path) {
    if (unit == L'/') unit = L'\\';
  }
  std::wstring prefix;
  std::size_t rest;
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
    prefix = L"\\\\?\\" + path.substr(0, 2);
    rest = 2;
  } else if (path.rfind(L"\\\\", 0) == 0 && path.rfind(L"\\\\.\\", 0) != 0) {
    prefix = L"\\\\?\\UNC";
    rest = 1;
  } else {
    return std::nullopt;
  }
  std::wstring out = prefix;
  std::size_t start = rest;
  while (start < path.size()) {
    while (start < path.size() && path[start] == L'\\') ++start;
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) {
      const std::wstring_view name(path.data() + start, end - start);
      if (IsDotName(name)) return std::nullopt;
      out += L'\\';
      out += name;
    }
    start = end;
  }
  if (path.back() == L'\\' && out.back() != L'\\') out += L'\\';
  return out;
}

}  // namespace

std::wstring LongPath(const std::wstring& path) {
  if (path.empty() || path.rfind(L"\\\\?\\", 0) == 0) return path;
  if (auto extended = ExtendedFromFullPath(path)) return *extended;
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return path;
  full.resize(written);
  if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

namespace {

// Owns one search handle of the find API.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (valid()) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool IsDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Appends the separator unless the path already ends with one (a drive root).
void AppendSeparator(std::wstring& path) {
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
}

// Lists `folder`: the basic information (no short names) in large batches.
HANDLE OpenListing(std::wstring& folder, WIN32_FIND_DATAW& data) {
  const std::size_t keep = folder.size();
  AppendSeparator(folder);
  folder.push_back(L'*');
  HANDLE handle = FindFirstFileExW(folder.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  folder.resize(keep);
  return handle;
}

// Adds the files below `folder` to `total`; one open search per depth level,
// and one path buffer that grows and shrinks with the depth. Returns false
// when the folder cannot be listed.
bool SumFolder(std::wstring& folder, std::int64_t& total) {
  WIN32_FIND_DATAW data;
  FindHandle search(OpenListing(folder, data));
  if (!search.valid()) return false;
  do {
    if (IsDotOrDotDot(data.cFileName)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or a folder link is not entered: no loop, nothing twice.
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      const std::size_t keep = folder.size();
      AppendSeparator(folder);
      folder += data.cFileName;
      SumFolder(folder, total);  // an unreadable subfolder adds nothing
      folder.resize(keep);
    } else {
      const std::int64_t size = static_cast<std::int64_t>(
          (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
      total = size > std::numeric_limits<std::int64_t>::max() - total
                  ? std::numeric_limits<std::int64_t>::max()
                  : total + size;
    }
  } while (FindNextFileW(search.get(), &data));
  return true;
}

}  // namespace

std::optional<std::int32_t> WalkSubfolderCount(const GbkText& folder) {
  const auto wide = WideFromGbk(folder);
  if (!wide || wide->empty()) return std::nullopt;
  std::wstring path = LongPath(*wide);
  WIN32_FIND_DATAW data;
  FindHandle search(OpenListing(path, data));
  if (!search.valid()) return std::nullopt;
  std::int32_t count = 0;
  do {
    // The same rule as the directory filter of the search: the attribute.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotOrDotDot(data.cFileName) &&
        count < std::numeric_limits<std::int32_t>::max()) {
      ++count;
    }
  } while (FindNextFileW(search.get(), &data));
  return count;
}

std::optional<std::int64_t> WalkFolderSize(const GbkText& folder) {
  const auto wide = WideFromGbk(folder);
  if (!wide || wide->empty()) return std::nullopt;
  std::wstring path = LongPath(*wide);
  std::int64_t total = 0;
  if (!SumFolder(path, total)) return std::nullopt;
  return total;
}

}  // namespace fenmarrow
