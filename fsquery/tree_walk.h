// The native walk over a folder tree: what the scripting file-system object
// would answer, computed by reading the folders directly. On Linux it is the
// only road; on Windows it answers when the object cannot.
#pragma once

#include <cstdint>
#include <optional>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The number of immediate subfolders by the rule of the directory filter of
// FindDirEntry ("." and ".." not counted; a link to a folder is not a folder
// on Linux). A folder with 3 subfolders, 2 files and a link → 3; a folder
// that cannot be opened (missing, unreadable, not 936 text) → nullopt.
std::optional<std::int32_t> WalkSubfolderCount(const GbkText& folder);

// The sum of the sizes of the regular files in the folder and at every depth
// below it, hidden ones included. Links, junctions and other reparse points
// are never followed, so a loop cannot hang the walk; a subfolder that cannot
// be read is passed over. Memory grows with the depth only: one open folder
// per level. A folder with a 5 GiB sparse file → 5368709120; a folder that
// cannot be opened → nullopt.
std::optional<std::int64_t> WalkFolderSize(const GbkText& folder);

}  // namespace fenmarrow
