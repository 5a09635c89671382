#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <future>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "fsquery/posix_disk.h"
#include "fsquery/tree_walk.h"

namespace fenmarrow {
namespace {

// Adds `size` to `total`, stopping at the largest count rather than wrapping.
void AddSize(std::int64_t& total, std::int64_t size) {
  total = size > std::numeric_limits<std::int64_t>::max() - total
              ? std::numeric_limits<std::int64_t>::max()
              : total + size;
}

// The total size of the regular files among `names`, each resolved relative
// to the folder's descriptor without following links.
std::int64_t SumFileSizes(int dir_fd, const std::vector<std::string>& names, std::size_t begin,
                          std::size_t end) {
  std::int64_t total = 0;
  for (std::size_t i = begin; i < end; ++i) {
    struct stat info;
    // The entry may have been replaced since it was listed.
    if (fstatat(dir_fd, names[i].c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      AddSize(total, info.st_size);
    }
  }
  return total;
}

// Below this many files a second thread costs more than it saves.
constexpr std::size_t kFilesWorthASecondThread = 256;

// Stats a folder's files; a big folder is split between two threads, since
// a stat is mostly waiting on the kernel and a picture set holds thousands.
std::int64_t SumFiles(int dir_fd, const std::vector<std::string>& names) {
  if (names.size() < kFilesWorthASecondThread || std::thread::hardware_concurrency() < 2) {
    return SumFileSizes(dir_fd, names, 0, names.size());
  }
  const std::size_t half = names.size() / 2;
  auto second =
      std::async(std::launch::async, SumFileSizes, dir_fd, std::cref(names), half, names.size());
  std::int64_t total = SumFileSizes(dir_fd, names, 0, half);
  AddSize(total, second.get());
  return total;
}

void SumFolder(DIR* dir, std::int64_t& total, const Listing* listed);

// Adds the sizes of the files and subfolders below the folder open at
// `dir_fd`, given their names.
void SumEntries(int dir_fd, const std::vector<std::string>& files,
                const std::vector<std::string>& folders, std::int64_t& total) {
  AddSize(total, SumFiles(dir_fd, files));
  for (const std::string& name : folders) {
    // O_NOFOLLOW: a folder swapped for a link after listing is not entered.
    if (DIR* child = OpenDirAt(dir_fd, name.c_str(), true)) SumFolder(child, total, nullptr);
  }
}

// Adds the regular files below the open folder to `total`, one folder stream
// per depth level. Every name is resolved relative to the folder's own
// descriptor, so no path is ever joined and its length does not matter.
// `listed`, when given, is a read of this folder made a moment ago.
void SumFolder(DIR* dir, std::int64_t& total, const Listing* listed) {
  DirStream stream(dir);
  const int dir_fd = stream.fd();
  std::vector<std::string> files;
  std::vector<std::string> folders;
  if (listed != nullptr) {
    for (const ListedEntry& entry : listed->entries) {
      if (IsDotOrDotDot(entry.name.c_str())) continue;
      // Links and other non-folders go with the files: the stat tells.
      (entry.is_directory ? folders : files).push_back(entry.name);
    }
    SumEntries(dir_fd, files, folders, total);
    return;
  }
  while (const dirent* found = readdir(dir)) {
    if (IsDotOrDotDot(found->d_name)) continue;
    unsigned char type = found->d_type;
    if (type == DT_UNKNOWN) {
      struct stat info;
      if (fstatat(dir_fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = IFTODT(info.st_mode);
    }
    if (type == DT_REG) {
      files.emplace_back(found->d_name);
    } else if (type == DT_DIR) {
      folders.emplace_back(found->d_name);
    }
  }
  SumEntries(dir_fd, files, folders, total);
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
  const auto listed = ScopedListing(*path);
  SumFolder(dir, total, listed.get());
  return total;
}

}  // namespace fenmarrow
