// Helpers shared by the Windows file pairs of this folder (included only by
// *_win.cpp, defined in tree_walk_win.cpp): how a folder text reaches the
// wide file API.
#pragma once

#include <optional>
#include <string>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The UTF-16 form of a code page 936 text, cut at its first zero byte;
// nullopt unless it converts exactly. "C:\\\xD5\xD5" → L"C:\\照".
std::optional<std::wstring> WideFromGbk(const GbkText& text);

// The full path with the \\?\ prefix (\\?\UNC\ for a share), so that paths
// longer than MAX_PATH work, and a name that ends with a dot or a space keeps
// it (L"C:\\sets\\dot." is not L"C:\\sets\\dot"); separators are made single.
// A path that cannot be made full comes back unchanged. L"C:\\sets\\..\\a" → L"\\\\?\\C:\\a";
// L"\\\\srv\\x" → L"\\\\?\\UNC\\srv\\x". A trailing backslash is kept.
std::wstring LongPath(const std::wstring& path);

// Whether a name in the path ends with a dot or a space: the classic path
// rules would drop them and name another entry. L"C:\\a.\\b" → true.
bool HasNameEndingInDotOrSpace(const std::wstring& path);

}  // namespace fenmarrow
