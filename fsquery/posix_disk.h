// Helpers shared by the Linux file pairs of this folder (included only by
// *_posix.cpp): how a folder text reaches the disk, and the one rule that
// decides what is a directory.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The UTF-8 path on disk for a code page 936 text, cut at its first zero
// byte; nullopt when 936 text does not convert exactly (a path that would
// name another entry). "\xD7\xA8" → "\xE4\xB8\x93" (专).
std::optional<std::string> DiskPathFromGbk(const GbkText& text);

// Whether the entry is a directory for every query here: a real directory,
// never a symbolic link to one (links are not followed). d_type decides;
// where the file system leaves it DT_UNKNOWN, fstatat without following does.
inline bool IsDirectoryEntry(int dir_fd, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_UNKNOWN) return false;
  struct stat info;
  if (fstatat(dir_fd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return S_ISDIR(info.st_mode);
}

// "." and "..".
inline bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Owns one open directory stream.
class DirStream {
 public:
  explicit DirStream(DIR* dir) : dir_(dir) {}
  ~DirStream() {
    if (dir_ != nullptr) closedir(dir_);
  }
  DirStream(const DirStream&) = delete;
  DirStream& operator=(const DirStream&) = delete;

  DIR* get() const { return dir_; }
  int fd() const { return dirfd(dir_); }

 private:
  DIR* dir_;
};

// One entry of a folder as read from the disk, decoded once for matching.
struct ListedEntry {
  std::string name;      // as on disk
  std::u16string units;  // in UTF-16; bytes that are not UTF-8 as U+FFFD
  bool valid_utf8;
  bool is_directory;  // by IsDirectoryEntry
};

// Everything one read of a folder found, "." and ".." included.
struct Listing {
  std::string folder;  // the path it was read from
  std::vector<ListedEntry> entries;
};

// The listing of `disk_folder` when it was read within the DirListingScope
// alive on this thread; nullptr otherwise. Lets the size walk reuse what the
// counts read a moment before.
std::shared_ptr<const Listing> ScopedListing(const std::string& disk_folder);

// Opens a directory without following a link in its last component when
// `no_follow`; nullptr on failure. The descriptor is owned by the stream.
DIR* OpenDirAt(int parent_fd, const char* name, bool no_follow);

}  // namespace fenmarrow
