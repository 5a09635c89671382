// The rule that turns a folder name and its statistics into its tagged name,
// and the byte-text searches it rests on.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The 1-based byte position of the first occurrence of `pattern` from `start`
// on (no start: from the beginning), or -1. A match only begins at a
// character boundary reached by stepping from the start: a byte of 0x80 or
// above begins a two-byte character, so its second byte never matches.
// With ignore_case, ASCII letters match either case. An empty pattern → 1
// when the region is not empty. ("a[b[", "[") → 2; from 3 → 4; from 5 → -1.
std::int32_t FindText(const GbkText& text, const GbkText& pattern,
                      std::optional<std::int32_t> start, bool ignore_case);

// Non-overlapping occurrences, left to right; 0 for an empty text or
// pattern. ("a]b]", "]", false) → 2.
std::int32_t CountOccurrences(const GbkText& text, const GbkText& pattern, bool case_sensitive);

// The 1-based position of every non-overlapping occurrence, ASCII case
// ignored. The pattern must not be empty. ("Trip [old] [40P-2.5 MB]", "[")
// → {6, 12}.
std::vector<std::int32_t> FindAllPositions(const GbkText& text, const GbkText& pattern);

// The new name: the bracket group that ends the name (normally an earlier
// tag) is cut off, trailing spaces go, and " [<pictures>P-<videos>V <size>]"
// is appended, a zero count leaving its piece out.
// ("Summer", 120, 3, "1.25 GB") → "Summer [120P-3V 1.25 GB]";
// ("Trip [old] [40P-2.5 MB]", 41, 0, "2.61 MB") → "Trip [old] [41P-2.61 MB]".
// Applied to its own output with the same counts and size text, it gives
// that output again.
GbkText BuildTaggedName(const GbkText& entry_name, std::int32_t picture_count,
                        std::int32_t video_count, const GbkText& size_text);

}  // namespace fenmarrow
