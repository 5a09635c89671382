#include "fsquery/pattern_count.h"

#include <algorithm>
#include <utility>

#include "fsquery/message_pump.h"

namespace fenmarrow {
namespace {

// Whether the last character of the text is the separator. A 0x5C byte that
// is the second byte of a double-byte character (淺 is 0x9C 0x5C) is part of
// the folder's name: taking it for a backslash would search the parent
// folder for "深淺*.jpg" instead of the folder for "*.jpg".
bool EndsWithSeparator(const GbkText& text) {
  std::size_t last = GbkText::npos;
  for (std::size_t i = 0; i < text.size();) {
    last = i;
    i += static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
  }
  return last == text.size() - 1 && text[last] == kPathSeparator;
}

}  // namespace

std::vector<GbkText> SplitPatternList(const GbkText& pattern_list) {
  // The text ends at its first zero byte, if it holds one.
  const std::size_t length = std::min(pattern_list.find('\0'), pattern_list.size());
  std::vector<GbkText> pieces;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < length) {
    const auto byte = static_cast<unsigned char>(pattern_list[i]);
    if (byte >= 0x80) {
      // A lead byte and its trail byte go together: a trail byte 0x7C is
      // part of a character, not a separator. A lead byte at the very end
      // ends the scan.
      if (i + 1 >= length) break;
      i += 2;
      continue;
    }
    if (byte == '|') {
      pieces.push_back(pattern_list.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  if (start < length) pieces.push_back(pattern_list.substr(start, length - start));
  return pieces;
}

std::int32_t CountMatchingFiles(const GbkText& folder, const GbkText& pattern_list,
                                NameList& names) {
  names.clear();
  const std::vector<GbkText> pieces = SplitPatternList(pattern_list);
  if (pieces.empty()) return 0;
  GbkText base = folder;
  if (!EndsWithSeparator(base)) base.push_back(kPathSeparator);
  // Every piece searches the same folder: one read serves them all.
  const DirListingScope one_read;
  DirSearchSlot slot;
  for (const GbkText& piece : pieces) {
    // An empty piece leaves a search text ending with the separator, which
    // the search refuses: it adds nothing.
    DirEntry entry = FindDirEntry(base + piece, EntryFilter::kFiles, slot);
    while (!entry.name.empty()) {
      names.push_back(std::move(entry));
      PumpPendingMessages();
      entry = FindDirEntry(GbkText(), EntryFilter::kFiles, slot);
    }
  }
  FindDirClose(slot);
  return static_cast<std::int32_t>(names.size());
}

}  // namespace fenmarrow
