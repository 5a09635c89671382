// Platform work for the fsquery tests: what std::filesystem cannot do the
// same way on Linux and Windows. Used by fsquery_test.cpp only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace fenmarrow::test {

// True on the Windows build (running natively or under Wine).
bool IsWindowsBuild();

// Makes `path` a file of `size` bytes that occupies (almost) no disk space.
// (dir / "big.bin", 5 GiB) → true, and a 5368709120-byte file.
bool MakeSparseFile(const std::filesystem::path& path, std::int64_t size);

// Gives the entry the platform's hidden mark (a no-op on Linux, where the
// leading dot of the name is the mark). False when it could not.
bool MarkHidden(const std::filesystem::path& path);

// Creates a file in `folder` whose name is not valid on disk in the usual
// sense: bytes that are not UTF-8 on Linux, a lone surrogate on Windows.
// False when the platform refuses such a name.
bool MakeFileWithBrokenName(const std::filesystem::path& folder);

// Makes `link` a symbolic link to the folder or file `target`. False when
// the platform cannot make one here (Wine pretends to, so the link is
// checked afterwards).
bool MakeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link);
bool MakeFileLink(const std::filesystem::path& target, const std::filesystem::path& link);

// Runs `work` in a child process without root's rights (as "nobody") and
// returns its result; runs it directly when the process has no such rights
// to lose. nullopt when that is impossible here (Windows, or a failed fork).
std::optional<std::int64_t> RunUnprivileged(const std::function<std::int64_t()>& work);

}  // namespace fenmarrow::test
