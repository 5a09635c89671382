#include <dirent.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fsquery/dir_search.h"
#include "fsquery/posix_disk.h"
#include "fsquery/wildcard.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace fenmarrow {

const char kPathSeparator = '/';

namespace {

// The folders read while a DirListingScope lives on this thread, newest
// last. A few are kept: a visit reads a set and its "视频" folder, and the
// size walk comes back to the set.
constexpr std::size_t kScopedListings = 4;
thread_local int scope_depth = 0;
thread_local std::vector<std::shared_ptr<const Listing>> scoped_listings;

}  // namespace

DirListingScope::DirListingScope() { ++scope_depth; }
DirListingScope::~DirListingScope() {
  if (--scope_depth == 0) scoped_listings.clear();
}

struct DirSearchSlot::Search {
  Search(std::shared_ptr<const Listing> read, std::u16string wanted)
      : listing(std::move(read)), pattern(std::move(wanted)) {}
  std::shared_ptr<const Listing> listing;
  std::u16string pattern;
  std::size_t next = 0;
};

DirSearchSlot::DirSearchSlot() = default;
DirSearchSlot::~DirSearchSlot() = default;
DirSearchSlot::DirSearchSlot(DirSearchSlot&&) noexcept = default;
DirSearchSlot& DirSearchSlot::operator=(DirSearchSlot&&) noexcept = default;

std::optional<std::string> DiskPathFromGbk(const GbkText& text) {
  const std::string_view bytes(text.data(), std::min(text.find('\0'), text.size()));
  const auto units = Cp936ToUtf16(bytes, Conversion::kExact);
  if (!units) return std::nullopt;
  return Utf16ToUtf8(*units);
}

DIR* OpenDirAt(int parent_fd, const char* name, bool no_follow) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (no_follow ? O_NOFOLLOW : 0);
  const int fd = openat(parent_fd, name, flags);
  if (fd < 0) return nullptr;
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) close(fd);
  return dir;
}

namespace {

// The name as UTF-16 for matching; bytes that are not UTF-8 become U+FFFD, so
// that "*" still finds the entry. `valid` tells whether nothing was replaced.
std::u16string DecodeName(std::string_view name, bool& valid) {
  if (auto strict = Utf8ToUtf16(name)) {
    valid = true;
    return *std::move(strict);
  }
  valid = false;
  std::u16string units;
  std::size_t i = 0;
  while (i < name.size()) {
    const auto lead = static_cast<unsigned char>(name[i]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length > 0 && i + length <= name.size()) {
      if (auto part = Utf8ToUtf16(name.substr(i, length))) {
        units += *part;
        i += length;
        continue;
      }
    }
    units.push_back(u'\uFFFD');
    ++i;
  }
  return units;
}

// Reads the whole folder; nullptr when it cannot be opened. The directory
// test is made now, while the folder's descriptor is open.
std::shared_ptr<const Listing> ReadFolder(const std::string& disk_folder) {
  DIR* dir = OpenDirAt(AT_FDCWD, disk_folder.c_str(), false);
  if (dir == nullptr) return nullptr;
  DirStream stream(dir);
  auto listing = std::make_shared<Listing>();
  listing->folder = disk_folder;
  while (const dirent* found = readdir(dir)) {
    bool valid_utf8 = false;
    std::u16string units = DecodeName(found->d_name, valid_utf8);
    listing->entries.push_back(
        {found->d_name, std::move(units), valid_utf8, IsDirectoryEntry(stream.fd(), *found)});
  }
  return listing;
}

}  // namespace

std::shared_ptr<const Listing> ScopedListing(const std::string& disk_folder) {
  for (const auto& listing : scoped_listings) {
    if (listing->folder == disk_folder) return listing;
  }
  return nullptr;
}

namespace {

// The folder's listing: the scope's copy when this folder was read within
// it, else a fresh read (kept for the scope, if there is one).
std::shared_ptr<const Listing> ListFolder(const std::string& disk_folder) {
  if (auto kept = ScopedListing(disk_folder)) return kept;
  auto listing = ReadFolder(disk_folder);
  if (listing && scope_depth > 0) {
    if (scoped_listings.size() == kScopedListings) scoped_listings.erase(scoped_listings.begin());
    scoped_listings.push_back(listing);
  }
  return listing;
}

// Starts a search for "folder/pattern"; nullptr when it cannot start.
std::unique_ptr<DirSearchSlot::Search> StartSearch(const GbkText& search_text) {
  const GbkText text = search_text.substr(0, search_text.find('\0'));
  const std::size_t slash = text.rfind(kPathSeparator);
  GbkText folder;
  GbkText pattern;
  if (slash == GbkText::npos) {
    folder = ".";
    pattern = text;
  } else {
    folder = slash == 0 ? GbkText("/") : text.substr(0, slash);
    pattern = text.substr(slash + 1);
  }
  if (pattern.empty()) return nullptr;
  const auto disk_folder = DiskPathFromGbk(folder);
  const auto wide_pattern = Cp936ToUtf16(pattern, Conversion::kExact);
  if (!disk_folder || !wide_pattern) return nullptr;
  auto listing = ListFolder(*disk_folder);
  if (!listing) return nullptr;
  return std::make_unique<DirSearchSlot::Search>(std::move(listing), *wide_pattern);
}

}  // namespace

DirEntry FindDirEntry(const GbkText& search_text, EntryFilter filter, DirSearchSlot& slot) {
  if (!search_text.empty()) {
    slot.search_.reset();
    slot.search_ = StartSearch(search_text);
  }
  if (!slot.search_) return {};
  const bool want_directories = filter == EntryFilter::kDirectories;
  DirSearchSlot::Search& search = *slot.search_;
  while (search.next < search.listing->entries.size()) {
    const ListedEntry& found = search.listing->entries[search.next++];
    if (found.is_directory != want_directories) continue;
    if (!WildcardMatch(search.pattern, found.units)) continue;
    return DirEntryFromUtf16(found.units, found.valid_utf8);
  }
  slot.search_.reset();
  return {};
}

void FindDirClose(DirSearchSlot& slot) { slot.search_.reset(); }

}  // namespace fenmarrow
