#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <system_error>

#include "faults/fault_fixture.h"

namespace fenmarrow::faults {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

std::string Why(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Enters a mount namespace of this process alone, once, with nothing
// propagating back to the machine's own mounts.
std::string EnterPrivateMounts() {
  static const std::string result = [] {
    if (unshare(CLONE_NEWNS) != 0) return Why("unshare(CLONE_NEWNS)");
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      return Why("making / private");
    }
    return std::string();
  }();
  return result;
}

}  // namespace

bool IsWindowsBuild() { return false; }

fs::path Literal(const fs::path& path) { return path; }

bool MakeFolderExact(const fs::path& path) { return mkdir(path.c_str(), 0755) == 0; }

bool MakeFileExact(const fs::path& path, const std::string& content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written =
      write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  return close(fd) == 0 && written;
}

std::optional<std::vector<FolderEntry>> ListFolder(const fs::path& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<FolderEntry> entries;
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    EntryKind kind = EntryKind::kFile;
    if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISLNK(info.st_mode)) kind = EntryKind::kLink;
      if (S_ISDIR(info.st_mode)) kind = EntryKind::kFolder;
    }
    entries.push_back({name, kind});
  }
  const bool failed = errno != 0;
  closedir(dir);
  if (failed) return std::nullopt;
  return entries;
}

std::optional<std::string> ReadFileExact(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::string content;
  char buffer[65536];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) content.append(buffer, n);
  close(fd);
  if (n < 0) return std::nullopt;
  return content;
}

fs::path::string_type LinkTarget(const fs::path& link) {
  char buffer[4096];
  const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer);
  return n < 0 ? "" : std::string(buffer, n);
}

void RemoveTree(const fs::path& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

std::optional<fs::path> MakeBrokenNameFolder(const fs::path& base, const std::string& ascii_tail) {
  const fs::path path = base / ("bad\xFF\xFE" + ascii_tail);
  if (!MakeFolderExact(path)) return std::nullopt;
  return path;
}

std::string MakeFolderLink(const fs::path& target, const fs::path& link) {
  return symlink(target.c_str(), link.c_str()) == 0 ? "" : Why("symlink");
}

std::string MountTmpfs(const fs::path& at) {
  if (std::string why = EnterPrivateMounts(); !why.empty()) return why;
  if (mount("fenmarrow-faults", at.c_str(), "tmpfs", 0, "size=16m") != 0) {
    return Why("mount -t tmpfs");
  }
  return "";
}

std::string BindReadOnly(const fs::path& from, const fs::path& at) {
  if (std::string why = EnterPrivateMounts(); !why.empty()) return why;
  if (mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0) return Why("mount --bind");
  if (mount(nullptr, at.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    const std::string why = Why("remount read-only");
    umount2(at.c_str(), MNT_DETACH);
    return why;
  }
  return "";
}

void Unmount(const fs::path& at) { umount2(at.c_str(), MNT_DETACH); }

std::string GiveToUnprivilegedUser(const fs::path& tree) {
  if (geteuid() != 0) return "";  // already ours, and we have no rights to lose
  std::error_code error;
  if (lchown(tree.c_str(), kNobody, kNogroup) != 0) return Why("lchown");
  for (fs::recursive_directory_iterator it(tree, error), end; !error && it != end;
       it.increment(error)) {
    if (lchown(it->path().c_str(), kNobody, kNogroup) != 0) return Why("lchown");
  }
  return error ? error.message() : "";
}

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& work,
                                           std::string& why_not) {
  if (geteuid() != 0) return work();
  int channel[2];
  if (pipe(channel) != 0) {
    why_not = Why("pipe");
    return std::nullopt;
  }
  const pid_t child = fork();
  if (child < 0) {
    why_not = Why("fork");
    close(channel[0]);
    close(channel[1]);
    return std::nullopt;
  }
  if (child == 0) {
    close(channel[0]);
    if (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0) _exit(2);
    const std::string result = work();
    std::size_t sent = 0;
    while (sent < result.size()) {
      const ssize_t n = write(channel[1], result.data() + sent, result.size() - sent);
      if (n <= 0) _exit(3);
      sent += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(channel[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) result.append(buffer, n);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    why_not = "the unprivileged child failed (status " + std::to_string(status) + ")";
    return std::nullopt;
  }
  return result;
}

void LockFolder(const fs::path& path) { chmod(path.c_str(), 0); }
void UnlockFolder(const fs::path& path) { chmod(path.c_str(), 0755); }

std::unique_ptr<OpenHandle> OpenWithoutDeleteSharing(const fs::path&, std::string& why_not) {
  why_not = "Linux has no share modes: an open file never stops a rename";
  return nullptr;
}

}  // namespace fenmarrow::faults
