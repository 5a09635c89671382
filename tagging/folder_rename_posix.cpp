#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "fsquery/posix_disk.h"
#include "tagging/folder_rename.h"

namespace fenmarrow {
namespace {

class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd() {
    if (fd_ >= 0) close(fd_);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

RenameResult FromErrno(int error) {
  switch (error) {
    case EEXIST:
    case ENOTEMPTY:
      return RenameResult::kTargetExists;
    case ENOENT:
    case ENOTDIR:
      return RenameResult::kSourceMissing;
    case EACCES:
    case EPERM:
    case EROFS:
      return RenameResult::kAccessDenied;
    case EBUSY:
      return RenameResult::kInUse;
    case ENAMETOOLONG:
      return RenameResult::kNameTooLong;
    default:
      return RenameResult::kFailed;
  }
}

bool EntryExists(int dir_fd, const std::string& name) {
  struct stat st;
  return fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

}  // namespace

RenameResult RenameFolder(const GbkText& base_folder, const GbkText& old_name,
                          const GbkText& new_name) {
  const auto base = DiskPathFromGbk(base_folder);
  const auto from = DiskPathFromGbk(old_name);
  const auto to = DiskPathFromGbk(new_name);
  if (!base || !from || !to || base->empty() || from->empty()) {
    return RenameResult::kNameNotRepresentable;
  }
  if (to->size() > NAME_MAX) return RenameResult::kNameTooLong;
  if (to->empty() || *to == "." || *to == ".." || to->find('/') != std::string::npos) {
    return RenameResult::kNameInvalid;
  }

  // Both names are taken relative to one open handle of the base folder, so
  // the folder stays where it is whatever happens to the path meanwhile.
  const ScopedFd dir(open(base->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return FromErrno(errno);
  struct stat st;
  if (fstatat(dir.get(), from->c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode)) {
    return RenameResult::kSourceMissing;
  }
  if (*from == *to) return RenameResult::kRenamed;

  if (renameat2(dir.get(), from->c_str(), dir.get(), to->c_str(), RENAME_NOREPLACE) == 0) {
    return RenameResult::kRenamed;
  }
  if (errno != EINVAL && errno != ENOSYS) return FromErrno(errno);
  // The file system cannot refuse to replace by itself (some network and
  // FUSE file systems). Check first; plain rename would also replace an
  // empty folder or a file of that name.
  if (EntryExists(dir.get(), *to)) return RenameResult::kTargetExists;
  if (renameat(dir.get(), from->c_str(), dir.get(), to->c_str()) == 0) {
    return RenameResult::kRenamed;
  }
  return FromErrno(errno);
}

}  // namespace fenmarrow
