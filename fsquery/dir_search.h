// One directory search at a time per slot: the entries of a folder that match
// a wildcard, one per call, filtered by the directory attribute.
#pragma once

#include <memory>
#include <string_view>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The separator that joins a folder and a name: '\\' on Windows, '/' on
// Linux. Paths are plain concatenations: base + kPathSeparator + name.
extern const char kPathSeparator;

enum class EntryFilter {
  kFiles,        // entries without the directory attribute
  kDirectories,  // entries with it, "." and ".." included where listed
};

// One entry found. `representable` is false when the name on disk cannot be
// held by code page 936 (emoji, Hangul, a lone surrogate, invalid UTF-8 on
// Linux): `name` then has '?' where characters were lost and must not be used
// to reach the entry. An empty name means the search has no entry left.
struct DirEntry {
  GbkText name;
  bool representable = true;
};

// The entry for a name found on disk, given in UTF-16; `valid_on_disk` is
// false when its bytes were no text to begin with (invalid UTF-8 on Linux).
// u"a.jpg" → {"a.jpg", true}; u"한.jpg" → {"?.jpg", false}. The name is never
// empty, since an empty one would end the search.
DirEntry DirEntryFromUtf16(std::u16string_view units, bool valid_on_disk);

// The state of one directory search: none, or an open platform search. The
// owner closes it with FindDirClose; the destructor closes it too.
class DirSearchSlot {
 public:
  DirSearchSlot();
  ~DirSearchSlot();
  DirSearchSlot(DirSearchSlot&&) noexcept;
  DirSearchSlot& operator=(DirSearchSlot&&) noexcept;
  DirSearchSlot(const DirSearchSlot&) = delete;
  DirSearchSlot& operator=(const DirSearchSlot&) = delete;

  bool is_open() const { return search_ != nullptr; }

  struct Search;  // defined by the platform file
  std::unique_ptr<Search> search_;
};

// While one lives on this thread, a search of a folder that was already read
// within the scope may be served from that read instead of the disk, so that
// counting one folder for fifteen patterns reads it once. Entries added or
// removed meanwhile may go unseen until the outermost scope ends. Scopes
// nest. With the platform's own search (Windows) it changes nothing.
class DirListingScope {
 public:
  DirListingScope();
  ~DirListingScope();
  DirListingScope(const DirListingScope&) = delete;
  DirListingScope& operator=(const DirListingScope&) = delete;
};

// A non-empty search text ("C:\\sets\\*", "/sets/Summer/*.jpg") starts a new
// search in the slot, closing the one it held; the empty text continues it.
// Returns the bare name of the next entry that passes the filter, in the
// platform's order, or an empty name when none is left (the slot is then
// none). The wildcard ("*", "?") applies to the last component and ignores
// ASCII letter case. A missing folder, an unreadable one, a search text that
// ends with the separator, or one that code page 936 cannot carry → "".
DirEntry FindDirEntry(const GbkText& search_text, EntryFilter filter, DirSearchSlot& slot);

// Closes the slot's search, if any.
void FindDirClose(DirSearchSlot& slot);

}  // namespace fenmarrow
