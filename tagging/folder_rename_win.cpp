#include <windows.h>

#include <optional>
#include <string>

#include "fsquery/win_path.h"
#include "tagging/folder_rename.h"

namespace fenmarrow {
namespace {

bool IsAllowedInName(wchar_t c) {
  return c >= 0x20 && std::wstring_view(L"<>:\"/\\|?*").find(c) == std::wstring_view::npos;
}

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

RenameResult FromLastError(DWORD error) {
  switch (error) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return RenameResult::kTargetExists;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RenameResult::kSourceMissing;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return RenameResult::kAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return RenameResult::kInUse;
    case ERROR_FILENAME_EXCED_RANGE:
      return RenameResult::kNameTooLong;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return RenameResult::kNameInvalid;
    default:
      return RenameResult::kFailed;
  }
}

}  // namespace

RenameResult RenameFolder(const GbkText& base_folder, const GbkText& old_name,
                          const GbkText& new_name) {
  const auto base = WideFromGbk(base_folder);
  const auto from = WideFromGbk(old_name);
  const auto to = WideFromGbk(new_name);
  if (!base || !from || !to || base->empty() || from->empty()) {
    return RenameResult::kNameNotRepresentable;
  }
  if (to->size() > 255) return RenameResult::kNameTooLong;
  for (wchar_t c : *to) {
    if (!IsAllowedInName(c)) return RenameResult::kNameInvalid;
  }
  if (to->empty() || to->back() == L'.' || to->back() == L' ') return RenameResult::kNameInvalid;

  // The extended-length form: no 260-character limit, and no silent loss of
  // a trailing dot or space from an old name.
  const std::wstring source = LongPath(*base + L'\\' + *from);
  const std::wstring target = LongPath(*base + L'\\' + *to);
  const DWORD attributes = GetFileAttributesW(source.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FromLastError(GetLastError());
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return RenameResult::kSourceMissing;
  if (*from == *to) return RenameResult::kRenamed;
  // Windows refuses an existing target by itself, but Wine replaces an empty
  // folder, so look first. A name that differs only in letter case is the
  // folder itself on a case-insensitive volume.
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !SameNameIgnoringCase(*from, *to)) {
    return RenameResult::kTargetExists;
  }
  if (MoveFileExW(source.c_str(), target.c_str(), 0)) return RenameResult::kRenamed;
  return FromLastError(GetLastError());
}

}  // namespace fenmarrow
