#include <windows.h>

#include <string>

#include "fsquery/dir_search.h"
#include "fsquery/win_path.h"
#include "text/codepage.h"

namespace fenmarrow {

const char kPathSeparator = '\\';

struct DirSearchSlot::Search {
  explicit Search(HANDLE found) : handle(found) {}
  ~Search() { FindClose(handle); }
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;
  HANDLE handle;
};

// The platform's search is used as it is: nothing to share.
DirListingScope::DirListingScope() = default;
DirListingScope::~DirListingScope() = default;

DirSearchSlot::DirSearchSlot() = default;
DirSearchSlot::~DirSearchSlot() = default;
DirSearchSlot::DirSearchSlot(DirSearchSlot&&) noexcept = default;
DirSearchSlot& DirSearchSlot::operator=(DirSearchSlot&&) noexcept = default;

namespace {

bool IsSeparator(wchar_t unit) { return unit == L'\\' || unit == L'/'; }

// The search text for the wide API: the folder part made a full path with
// the long-path prefix, the pattern as given. A text without a folder part is
// left relative to the current directory.
std::wstring PlatformSearchText(const std::wstring& text) {
  const std::size_t last = text.find_last_of(L"\\/");
  if (last == std::wstring::npos) return text;
  std::wstring folder = LongPath(text.substr(0, last + 1));
  if (folder.empty() || !IsSeparator(folder.back())) folder.push_back(L'\\');
  return folder + text.substr(last + 1);
}

DirEntry EntryFromName(const wchar_t* name) {
  return DirEntryFromUtf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(name), wcslen(name)), true);
}

bool Passes(const WIN32_FIND_DATAW& data, EntryFilter filter) {
  const bool is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return is_directory == (filter == EntryFilter::kDirectories);
}

}  // namespace

DirEntry FindDirEntry(const GbkText& search_text, EntryFilter filter, DirSearchSlot& slot) {
  WIN32_FIND_DATAW data;
  if (!search_text.empty()) {
    slot.search_.reset();
    const auto wide = WideFromGbk(search_text);
    // A text ending with the separator names a folder, not entries in it.
    if (!wide || wide->empty() || IsSeparator(wide->back())) return {};
    HANDLE handle = FindFirstFileW(PlatformSearchText(*wide).c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE) return {};
    slot.search_ = std::make_unique<DirSearchSlot::Search>(handle);
    if (Passes(data, filter)) return EntryFromName(data.cFileName);
  } else if (!slot.search_) {
    return {};
  }
  while (FindNextFileW(slot.search_->handle, &data)) {
    if (Passes(data, filter)) return EntryFromName(data.cFileName);
  }
  slot.search_.reset();
  return {};
}

void FindDirClose(DirSearchSlot& slot) { slot.search_.reset(); }

}  // namespace fenmarrow
