// How many subfolders a folder has and how many bytes it holds.
#pragma once

#include <cstdint>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The number of immediate subfolders ("." and ".." not counted).
// A folder with 3 subfolders and 2 files → 3; a missing folder → 0; -1 only
// when no way of counting is available at all.
std::int32_t GetSubfolderCount(const GbkText& folder);

// The total size in bytes of every file in the folder and below it, hidden
// files included, links not followed. A folder holding a 5 GiB sparse file →
// 5368709120; a missing folder → 0; -1 only when no way of measuring is
// available at all. An unreadable subfolder is passed over.
std::int64_t GetFolderSize(const GbkText& folder);

}  // namespace fenmarrow
