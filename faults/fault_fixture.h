// Platform work for the fault-injection suite: making the faults that
// std::filesystem cannot make the same way on Linux and Windows. Every
// function says why it could not, so that a test skips with a reason rather
// than passing vacuously.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fenmarrow::faults {

// True on the Windows build (running natively or under Wine).
bool IsWindowsBuild();

// The form of an absolute path that the platform takes literally, whatever
// its length or trailing dots: \\?\C:\... on Windows, the path itself on Linux.
std::filesystem::path Literal(const std::filesystem::path& path);

// Makes a folder, or a file holding `content`, at exactly `path` (through
// Literal). False when the platform refuses.
bool MakeFolderExact(const std::filesystem::path& path);
bool MakeFileExact(const std::filesystem::path& path, const std::string& content);

// One entry of a folder, by its name on disk.
enum class EntryKind { kFile, kFolder, kLink };
struct FolderEntry {
  std::filesystem::path::string_type name;
  EntryKind kind;
};

// The entries of `folder`, "." and ".." left out, links not followed,
// whatever the length of the path or the dots and spaces that end a name;
// nullopt when it cannot be listed. (The C runtime's own listing goes
// through a MAX_PATH buffer on Windows and lists the wrong folder past it.)
std::optional<std::vector<FolderEntry>> ListFolder(const std::filesystem::path& folder);

// The bytes of a file, or nullopt when it cannot be read.
std::optional<std::string> ReadFileExact(const std::filesystem::path& path);

// What a link points at, as written ("" when the platform does not say).
std::filesystem::path::string_type LinkTarget(const std::filesystem::path& link);

// Removes `path` and everything below it, long paths and odd names
// included, without following links.
void RemoveTree(const std::filesystem::path& path);

// Makes a folder in `base` whose name is not valid text: bytes that are not
// UTF-8 on Linux, a lone surrogate on Windows. Its path, or nullopt when the
// platform refuses such a name.
std::optional<std::filesystem::path> MakeBrokenNameFolder(const std::filesystem::path& base,
                                                          const std::string& ascii_tail);

// Makes `link` a symbolic link to `target` (as written, relative or not).
// "" on success, else why not.
std::string MakeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link);

// Mounts a fresh tmpfs at `at`, or bind-mounts `from` read-only at `at`, in
// a mount namespace of this process alone (entered on first use), so that no
// mount outlives the test or is seen by anyone else. "" on success, else
// why not.
std::string MountTmpfs(const std::filesystem::path& at);
std::string BindReadOnly(const std::filesystem::path& from, const std::filesystem::path& at);
void Unmount(const std::filesystem::path& at);

// Makes `tree` and everything in it belong to the user that RunUnprivileged
// runs as. "" on success, else why not.
std::string GiveToUnprivilegedUser(const std::filesystem::path& tree);

// Runs `work` in a child process as an unprivileged user and returns the text
// it returns; runs it directly when this process has no rights to lose.
// nullopt, with `why_not`, when neither is possible here.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& work,
                                           std::string& why_not);

// Removes every right on `path` (a folder), or gives the owner all back.
void LockFolder(const std::filesystem::path& path);
void UnlockFolder(const std::filesystem::path& path);

// An open handle on a folder or a file that does not let anyone delete or
// rename it while it lives (Windows share mode without FILE_SHARE_DELETE).
class OpenHandle {
 public:
  virtual ~OpenHandle() = default;
};
std::unique_ptr<OpenHandle> OpenWithoutDeleteSharing(const std::filesystem::path& path,
                                                     std::string& why_not);

}  // namespace fenmarrow::faults
