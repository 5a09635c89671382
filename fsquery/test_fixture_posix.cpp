#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fsquery/test_fixture.h"

namespace fenmarrow::test {

bool IsWindowsBuild() { return false; }

bool MakeSparseFile(const std::filesystem::path& path, std::int64_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool sized = ftruncate(fd, size) == 0;
  return close(fd) == 0 && sized;
}

bool MarkHidden(const std::filesystem::path&) { return true; }

bool MakeFileWithBrokenName(const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / "bad\xFF\xFE.jpg";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd >= 0 && close(fd) == 0;
}

bool MakeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link) {
  return symlink(target.c_str(), link.c_str()) == 0;
}

bool MakeFileLink(const std::filesystem::path& target, const std::filesystem::path& link) {
  return symlink(target.c_str(), link.c_str()) == 0;
}

std::optional<std::int64_t> RunUnprivileged(const std::function<std::int64_t()>& work) {
  if (geteuid() != 0) return work();
  int channel[2];
  if (pipe(channel) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) {
    close(channel[0]);
    close(channel[1]);
    return std::nullopt;
  }
  if (child == 0) {
    close(channel[0]);
    constexpr uid_t kNobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
    const std::int64_t result = work();
    const bool written = write(channel[1], &result, sizeof result) == sizeof result;
    _exit(written ? 0 : 3);
  }
  close(channel[1]);
  std::int64_t result = 0;
  const bool read_all = read(channel[0], &result, sizeof result) == sizeof result;
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!read_all || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return result;
}

}  // namespace fenmarrow::test
