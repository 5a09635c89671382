// Counting the files of one folder that match a list of wildcard patterns.
#pragma once

#include <cstdint>
#include <vector>

#include "fsquery/dir_search.h"
#include "text/byte_buffer.h"

namespace fenmarrow {

// The names found by one count, in the order found, piece after piece.
using NameList = std::vector<DirEntry>;

// Splits a pattern list at "|" bytes, passing over the second byte of a
// double-byte character. "*.a|*.b" → {"*.a","*.b"}; "*.a|" → {"*.a"};
// "*.a||*.b" → {"*.a","","*.b"}; "|x" → {"","x"}; "" → {}.
std::vector<GbkText> SplitPatternList(const GbkText& pattern_list);

// The number of files (not folders) in `folder` alone that match the list,
// piece by piece: a file matching two pieces, or a piece listed twice, counts
// twice. `names` is emptied, then gets every name found. The pump runs after
// every file found. The folder may end with the separator or not; a missing
// or unreadable folder counts 0. ("/sets/A", "*.jpg|*.png", names) → 3.
std::int32_t CountMatchingFiles(const GbkText& folder, const GbkText& pattern_list,
                                NameList& names);

}  // namespace fenmarrow
