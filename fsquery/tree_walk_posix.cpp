#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <limits>

#include "fsquery/posix_disk.h"
#include "fsquery/tree_walk.h"

namespace fenmarrow {
namespace {

// Adds the regular files below the open folder to `total`, one folder stream
// per depth level. Every name is resolved relative to the folder's own
// descriptor, so no path is ever joined and its length does not matter.
void SumFolder(DIR* dir, std::int64_t& total) {
  DirStream stream(dir);
  const int dir_fd = stream.fd();
  while (const dirent* found = readdir(dir)) {
    if (IsDotOrDotDot(found->d_name)) continue;
    unsigned char type = found->d_type;
    struct stat info;
    bool have_info = false;
    if (type == DT_UNKNOWN) {
      if (fstatat(dir_fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = IFTODT(info.st_mode);
      have_info = true;
    }
    if (type == DT_REG) {
      if (!have_info && fstatat(dir_fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      // The entry may have been replaced since it was listed.
      if (!S_ISREG(info.st_mode)) continue;
      if (info.st_size > std::numeric_limits<std::int64_t>::max() - total) {
        total = std::numeric_limits<std::int64_t>::max();
      } else {
        total += info.st_size;
      }
    } else if (type == DT_DIR) {
      // O_NOFOLLOW: a folder swapped for a link after listing is not entered.
      if (DIR* child = OpenDirAt(dir_fd, found->d_name, true)) SumFolder(child, total);
    }
  }
}

}  // namespace

std::optional<std::int32_t> WalkSubfolderCount(const GbkText& folder) {
  const auto path = DiskPathFromGbk(folder);
  if (!path) return std::nullopt;
  DIR* dir = OpenDirAt(AT_FDCWD, path->c_str(), false);
  if (dir == nullptr) return std::nullopt;
  DirStream stream(dir);
  std::int32_t count = 0;
  while (const dirent* found = readdir(dir)) {
    if (IsDotOrDotDot(found->d_name)) continue;
    if (IsDirectoryEntry(stream.fd(), *found) && count < std::numeric_limits<std::int32_t>::max()) {
      ++count;
    }
  }
  return count;
}

std::optional<std::int64_t> WalkFolderSize(const GbkText& folder) {
  const auto path = DiskPathFromGbk(folder);
  if (!path) return std::nullopt;
  DIR* dir = OpenDirAt(AT_FDCWD, path->c_str(), false);
  if (dir == nullptr) return std::nullopt;
  std::int64_t total = 0;
  SumFolder(dir, total);
  return total;
}

}  // namespace fenmarrow
