// The platform side of start-up: the running program's own path, and making
// a folder the current directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/front_end.h"

namespace fenmarrow {

// How this platform writes paths: kWindows or kPosix.
extern const PathStyle kNativePathStyle;

// The full path of the running program file, of any length; nullopt when the
// platform does not give it. On Linux from /proc/self/exe, which must be UTF-8.
// → u"C:\\相册\\fenmarrow.exe" or u"/home/ann/相册/fenmarrow".
std::optional<std::u16string> ReadProgramPath();

// Makes the folder the process's current directory. u"/tmp" → true; a
// missing folder or u"" → false, and the current directory stays as it was.
bool EnterFolder(std::u16string_view folder);

}  // namespace fenmarrow
