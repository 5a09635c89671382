// The real pass over real folders while things go wrong around it. Whatever
// happens, every case ends with the same check: no file was lost, changed or
// moved between sets, no folder vanished or merged into another, and the
// completion box names each folder that kept its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "faults/fault_fixture.h"
#include "fsquery/message_pump.h"
#include "tagging/tagging_pass.h"
#include "text/codepage.h"
#include "text/gbk_text.h"
#include "text/utf8.h"

namespace fenmarrow {
namespace {

namespace fs = std::filesystem;
using faults::IsWindowsBuild;
using faults::Literal;
using Native = fs::path::string_type;

fs::path Utf8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// The units of a name on disk: UTF-8 bytes on Linux, UTF-16 on Windows.
[[maybe_unused]] std::optional<std::u16string> UnitsOf(const std::string& utf8) {
  return Utf8ToUtf16(utf8);
}
[[maybe_unused]] std::optional<std::u16string> UnitsOf(const std::wstring& wide) {
  return std::u16string(wide.begin(), wide.end());
}

// The name as UTF-8 when it is valid text that code page 936 holds exactly,
// so that the box shows it as it is; nullopt for names the box shows with '?'.
std::optional<std::string> ExactUtf8(const Native& name) {
  const std::optional<std::u16string> units = UnitsOf(name);
  if (!units || !Utf16ToCp936(*units, Conversion::kExact)) return std::nullopt;
  return Utf16ToUtf8(*units);
}

std::uint64_t Fnv1a(const void* data, std::size_t size,
                    std::uint64_t hash = 14695981039346656037ull) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211u;
  return hash;
}

// One entry below a set: its path relative to the set, its size (-1 for a
// folder, -2 for a link, -3 for a folder that could not be listed) and a hash
// of its content (or of the link's target).
struct Entry {
  Native relative;
  std::int64_t size = 0;
  std::uint64_t hash = 0;
  auto operator<=>(const Entry&) const = default;
};
using Fingerprint = std::vector<Entry>;

std::uint64_t HashText(const Native& text) {
  return Fnv1a(text.data(), text.size() * sizeof(text[0]));
}

// Records what is below `folder`, by paths relative to the set.
void Walk(const fs::path& folder, const Native& prefix, Fingerprint& out) {
  const auto entries = faults::ListFolder(folder);
  if (!entries) {
    out.push_back({prefix, -3, 0});
    return;
  }
  for (const faults::FolderEntry& entry : *entries) {
    const fs::path path = folder / fs::path(entry.name);
    const Native relative = prefix + entry.name;
    switch (entry.kind) {
      case faults::EntryKind::kLink:
        out.push_back({relative, -2, HashText(faults::LinkTarget(path))});
        break;
      case faults::EntryKind::kFolder:
        out.push_back({relative, -1, 0});
        Walk(path, relative + Native(1, fs::path::preferred_separator), out);
        break;
      case faults::EntryKind::kFile: {
        const auto content = faults::ReadFileExact(path);
        if (!content) {
          out.push_back({relative, -4, 0});  // could not be read
        } else {
          out.push_back({relative, static_cast<std::int64_t>(content->size()),
                         Fnv1a(content->data(), content->size())});
        }
        break;
      }
    }
  }
}

// Everything in a base folder: each subfolder's content by name, and the
// files and links beside them.
struct Snapshot {
  std::map<Native, Fingerprint> sets;
  std::multiset<Entry> loose;

  std::multiset<Fingerprint> Contents() const {
    std::multiset<Fingerprint> contents;
    for (const auto& [name, fingerprint] : sets) contents.insert(fingerprint);
    return contents;
  }
};

Snapshot Take(const fs::path& base) {
  Snapshot snapshot;
  const auto entries = faults::ListFolder(base);
  EXPECT_TRUE(entries.has_value()) << "cannot list " << base;
  if (!entries) return snapshot;
  for (const faults::FolderEntry& entry : *entries) {
    if (entry.kind == faults::EntryKind::kFolder) {
      Fingerprint& fingerprint = snapshot.sets[entry.name];
      Walk(base / fs::path(entry.name), Native(), fingerprint);
      std::sort(fingerprint.begin(), fingerprint.end());
    } else if (entry.kind == faults::EntryKind::kLink) {
      snapshot.loose.insert({entry.name, -2, HashText(faults::LinkTarget(base / entry.name))});
    } else {
      const auto content = faults::ReadFileExact(base / fs::path(entry.name));
      snapshot.loose.insert({entry.name, content ? static_cast<std::int64_t>(content->size()) : -4,
                             content ? Fnv1a(content->data(), content->size()) : 0});
    }
  }
  return snapshot;
}

// The same files with the same bytes, in the same groups: a set may have a
// new name, but none is gone, none took another in, and no file moved.
void ExpectNothingLost(const Snapshot& before, const Snapshot& after) {
  EXPECT_EQ(before.sets.size(), after.sets.size()) << "a folder vanished or appeared";
  std::string changed;
  const std::multiset<Fingerprint> contents_after = after.Contents();
  for (const auto& [name, fingerprint] : before.sets) {
    if (contents_after.count(fingerprint) == 0) {
      changed += "\n  " + ExactUtf8(name).value_or("<not 936>") + " (" +
                 std::to_string(fingerprint.size()) + " entries)";
    }
  }
  EXPECT_TRUE(before.Contents() == contents_after)
      << "the content of the sets changed (a file lost, changed or moved, or two sets merged):"
      << changed;
  EXPECT_TRUE(before.loose == after.loose) << "a file beside the sets changed";
}

// Names of the sets that kept their names and that the box can show as they
// are.
std::vector<std::string> LeftAloneExactNames(const Snapshot& before, const Snapshot& after) {
  std::vector<std::string> names;
  for (const auto& [name, fingerprint] : before.sets) {
    const auto found = after.sets.find(name);
    if (found == after.sets.end() || found->second != fingerprint) continue;
    if (const auto utf8 = ExactUtf8(name)) names.push_back(*utf8);
  }
  return names;
}

struct PassOutcome {
  PassReport report;
  std::string box;  // UTF-8
  int boxes_shown = 0;
};

PassOutcome RunPassIn(const fs::path& base, PassHooks hooks = {}) {
  PassOutcome outcome;
  const fs::path previous = fs::current_path();
  fs::current_path(base);
  hooks.show_completion = [&outcome](const GbkText& text, const GbkText& caption) {
    ++outcome.boxes_shown;
    outcome.box = Utf16ToUtf8(Utf16FromGbk(text)).value_or("<not UTF-16>");
    EXPECT_EQ(caption, GbkFromUtf8("信息："));
  };
  outcome.report = RunTaggingPass(hooks);
  fs::current_path(previous);
  return outcome;
}

// The box starts with "Done", counts the folders left alone and names each
// one (the first ten; the rest are counted).
void ExpectBoxListsLeftAlone(const PassOutcome& outcome, std::size_t left_alone,
                             const std::vector<std::string>& names, const char* reason) {
  EXPECT_EQ(outcome.boxes_shown, 1);
  EXPECT_EQ(outcome.report.failures.size(), left_alone);
  if (left_alone == 0) {
    EXPECT_EQ(outcome.box, "Done");
    return;
  }
  EXPECT_EQ(outcome.box.rfind("Done\n", 0), 0u) << outcome.box;
  EXPECT_NE(outcome.box.find("以下 " + std::to_string(left_alone) + " 个文件夹保留了原来的名称"),
            std::string::npos)
      << outcome.box;
  if (left_alone <= 10) {
    for (const std::string& name : names) {
      EXPECT_NE(outcome.box.find("\n" + name + "："), std::string::npos)
          << name << " is not listed in:\n"
          << outcome.box;
    }
  }
  if (reason != nullptr) {
    EXPECT_NE(outcome.box.find(reason), std::string::npos) << outcome.box;
  }
}

// A test root in the temporary folder with a base folder in it; unmounted,
// unlocked and removed afterwards, with the pump uninstalled.
class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("fenmarrow-faults-") + info->name();
    for (char& c : name) {
      if (c == '/') c = '-';
    }
    root_ = fs::temp_directory_path() / name;
    faults::RemoveTree(root_);
    fs::create_directories(root_);
    UseBase(root_ / "base");
  }
  void TearDown() override {
    SetMessagePump({});
    for (const fs::path& at : mounts_) faults::Unmount(at);
    for (const fs::path& path : locked_) faults::UnlockFolder(path);
    faults::RemoveTree(root_);
  }

  void UseBase(const fs::path& base) {
    base_ = base;
    MakeFolders(base_);
  }

  // Makes every missing folder down to `path` (through the literal form, so
  // long paths and trailing dots work on Windows too).
  void MakeFolders(const fs::path& path) {
    fs::path partial;
    for (const fs::path& piece : path) {
      partial /= piece;
      if (partial.has_relative_path()) faults::MakeFolderExact(partial);
    }
  }

  // Makes base/relative (UTF-8) holding `size` bytes that differ from every
  // other file's, or an empty folder when `relative` ends with "/".
  void Make(const std::string& relative, int size) {
    if (relative.ends_with('/')) {
      MakeFolders(base_ / Utf8Path(relative.substr(0, relative.size() - 1)));
      return;
    }
    const fs::path path = base_ / Utf8Path(relative);
    MakeFolders(path.parent_path());
    std::string content;
    while (static_cast<int>(content.size()) < size) content += relative + "#";
    content.resize(size);
    ASSERT_TRUE(faults::MakeFileExact(path, content)) << relative;
  }

  // The names in the base folder, UTF-8; folders end with "/".
  std::set<std::string> Names() const {
    std::set<std::string> names;
    const auto entries = faults::ListFolder(base_);
    EXPECT_TRUE(entries.has_value()) << "cannot list " << base_;
    for (const faults::FolderEntry& entry : entries.value_or(std::vector<faults::FolderEntry>{})) {
      names.insert(ExactUtf8(entry.name).value_or("<not 936>") +
                   (entry.kind == faults::EntryKind::kFolder ? "/" : ""));
    }
    return names;
  }

  fs::path root_, base_;
  std::vector<fs::path> mounts_, locked_;
};

struct FileSpec {
  std::string path;  // under the base folder, UTF-8; ending with "/": an empty folder
  int size = 0;
};

// Cases that need nothing but the names and files they start with.
static const struct {
  const char* label;
  const char* base;  // the base folder under the test root, UTF-8
  std::vector<FileSpec> files;
  std::set<std::string> names_after;  // empty: not checked
  int left_alone_linux;
  int left_alone_windows;
  const char* reason;  // shown in the box when a folder was left alone (nullptr: not checked)
  bool reason_on_windows = true;
} kCases[] = {
    {"two sets whose new names collide",
     "base",
     {{"A/x.jpg", 10}, {"A [old]/y.jpg", 10}, {"B/v.mp4", 5}},
     {},
     1,
     1,
     "已有同名的文件或文件夹"},
    {"a file already has the new name",
     "base",
     {{"A/x.jpg", 10}, {"A [1P-10 B]", 3}},
     {"A/", "A [1P-10 B]"},
     1,
     1,
     "已有同名的文件或文件夹"},
    {"a new name over 255 bytes, and one just under",
     "base",
     {{std::string(250, 'n') + "/a.jpg", 10}, {std::string(240, 'm') + "/a.jpg", 10}},
     {std::string(250, 'n') + "/", std::string(240, 'm') + " [1P-10 B]/"},
     1,
     1,
     "新名称太长"},
    // 255 bytes of UTF-8 but 85 UTF-16 units: too long for Linux. Wine keeps
    // names as UTF-8 on a Linux file system, so the byte limit holds there
    // too, and it reports the refusal as a missing path.
    {"a Chinese name at the byte limit",
     "base",
     {{Repeat("照", 85) + "/a.jpg", 10}},
     {},
     1,
     1,
     "新名称太长",
     false},
    {"names with emoji and Hangul",
     "base",
     {{"\xF0\x9F\x98\x80 smile/a.jpg", 10},
      {"\xED\x95\x9C\xEA\xB5\xAD hangul/a.jpg", 10},
      {"ok/a.jpg", 10}},
     {"<not 936>/", "ok [1P-10 B]/"},
     2,
     2,
     "名称含有无法处理的字符"},
    {"a set named 视频",
     "base",
     {{"视频/a.mp4", 100}, {"视频/视频/b.mp4", 50}, {"视频/c.jpg", 10}},
     {"视频 [1P-2V 160 B]/"},
     0,
     0,
     nullptr},
    // Beside "dot", "dot." must be measured itself, not its neighbour.
    {"names ending with a dot or a space",
     "base",
     {{"dot./a.jpg", 10}, {"dot/b.png", 20}, {"sp /c.gif", 30}, {"x. ./d.bmp", 40}},
     {"dot. [1P-10 B]/", "dot [1P-20 B]/", "sp [1P-30 B]/", "x. . [1P-40 B]/"},
     0,
     0,
     nullptr},
    {"a base folder with spaces and Chinese in its path",
     "我的 照片 库/base folder",
     {{"Summer/a.jpg", 10}, {"专辑 [旧]/b.jpg", 20}},
     {"Summer [1P-10 B]/", "专辑 [1P-20 B]/"},
     0,
     0,
     nullptr},
};

TEST_F(Faults, KeepsEveryFileAndListsFoldersLeftAlone) {
  int row = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    // A fresh folder per row: each row sees only its own sets.
    UseBase(root_ / ("row" + std::to_string(++row)) / Utf8Path(c.base));
    for (const FileSpec& file : c.files) Make(file.path, file.size);
    const Snapshot before = Take(base_);
    const PassOutcome outcome = RunPassIn(base_);
    const Snapshot after = Take(base_);
    ExpectNothingLost(before, after);
    if (!c.names_after.empty()) {
      EXPECT_EQ(Names(), c.names_after);
    }
    const int left_alone = IsWindowsBuild() ? c.left_alone_windows : c.left_alone_linux;
    ExpectBoxListsLeftAlone(outcome, left_alone, LeftAloneExactNames(before, after),
                            IsWindowsBuild() && !c.reason_on_windows ? nullptr : c.reason);
  }
}

enum class Injection {
  kRenameAway,        // another program renames every untagged set
  kDelete,            // another program deletes every untagged set
  kMakeTargetFile,    // another program makes a file with each set's new name
  kMakeTargetFolder,  // the same with an empty folder
};
enum class When {
  kFirstFileFound,   // while the first set is being counted
  kAfterFirstVisit,  // between the first and the second visit
};

// Sets "s1", "s2", "s3" with three pictures of 10 bytes each: "sN [3P-30 B]".
TEST_F(Faults, AnotherProgramChangesSetsDuringThePass) {
  static const struct {
    const char* label;
    Injection injection;
    When when;
    std::size_t left_alone;
    const char* reason;
  } kInjections[] = {
      {"renamed while counting", Injection::kRenameAway, When::kFirstFileFound, 3,
       "文件夹已不存在"},
      {"renamed between visits", Injection::kRenameAway, When::kAfterFirstVisit, 2,
       "文件夹已不存在"},
      {"deleted while counting", Injection::kDelete, When::kFirstFileFound, 3, "文件夹已不存在"},
      {"deleted between visits", Injection::kDelete, When::kAfterFirstVisit, 2, "文件夹已不存在"},
      {"a file takes the new names", Injection::kMakeTargetFile, When::kFirstFileFound, 3,
       "已有同名的文件或文件夹"},
      {"an empty folder takes the new names", Injection::kMakeTargetFolder, When::kFirstFileFound,
       3, "已有同名的文件或文件夹"},
  };
  int row = 0;
  for (const auto& c : kInjections) {
    SCOPED_TRACE(c.label);
    UseBase(root_ / ("row" + std::to_string(++row)));
    for (const char* set : {"s1", "s2", "s3"}) {
      for (const char* picture : {"/a.jpg", "/b.png", "/c.gif"})
        Make(std::string(set) + picture, 10);
    }
    std::optional<Snapshot> before;
    std::vector<std::string> touched;
    std::int32_t visits_done = -1;
    int pump_calls = 0;
    bool injected = false;
    const auto inject = [&] {
      injected = true;
      for (const char* set : {"s1", "s2", "s3"}) {
        const fs::path path = base_ / set;
        std::error_code error;
        if (!fs::is_directory(path, error)) continue;  // renamed by the pass already
        const fs::path target = base_ / (std::string(set) + " [3P-30 B]");
        switch (c.injection) {
          case Injection::kRenameAway:
            fs::rename(path, base_ / (std::string(set) + "-moved"), error);
            break;
          case Injection::kDelete:
            fs::remove_all(path, error);
            break;
          case Injection::kMakeTargetFile:
            EXPECT_TRUE(faults::MakeFileExact(target, "taken"));
            break;
          case Injection::kMakeTargetFolder:
            EXPECT_TRUE(faults::MakeFolderExact(target));
            break;
        }
        // Windows refuses to delete a folder that is being listed; that is
        // the platform, not a fault of the pass.
        if (!error && (c.injection == Injection::kMakeTargetFile ||
                       c.injection == Injection::kMakeTargetFolder || !fs::exists(path))) {
          touched.push_back(set);
        }
      }
      // What another program leaves is what the pass must keep.
      before = Take(base_);
    };
    PassHooks hooks;
    hooks.on_progress = [&](std::int32_t done, std::int32_t) { visits_done = done; };
    SetMessagePump([&] {
      ++pump_calls;
      if (injected) return;
      // The first call follows the first progress; the next ones follow
      // each picture found.
      if ((c.when == When::kFirstFileFound && visits_done == 0 && pump_calls >= 2) ||
          (c.when == When::kAfterFirstVisit && visits_done == 1)) {
        inject();
      }
    });
    const PassOutcome outcome = RunPassIn(base_, hooks);
    SetMessagePump({});
    ASSERT_TRUE(injected);
    ASSERT_TRUE(before.has_value());
    ExpectNothingLost(*before, Take(base_));
    if (!IsWindowsBuild()) {
      EXPECT_EQ(touched.size(), c.left_alone);
    }
    ExpectBoxListsLeftAlone(outcome, touched.size(), touched, c.reason);
  }
}

TEST_F(Faults, ClosingTheWindowStopsAfterTheSetInProgress) {
  for (const char* set : {"s1", "s2", "s3", "s4"}) Make(std::string(set) + "/a.jpg", 10);
  const Snapshot before = Take(base_);
  PassHooks hooks;
  std::int32_t last_done = 0;
  hooks.on_progress = [&](std::int32_t done, std::int32_t) { last_done = done; };
  // The user closes the window while the second set is being counted.
  hooks.stop_requested = [&] { return last_done >= 2; };
  const PassOutcome outcome = RunPassIn(base_, hooks);
  ExpectNothingLost(before, Take(base_));
  EXPECT_TRUE(outcome.report.stopped);
  EXPECT_EQ(outcome.report.visited, 2);
  EXPECT_EQ(outcome.boxes_shown, 0) << "the program is closing: no box";
  int tagged = 0;
  for (const std::string& name : Names()) tagged += name.ends_with(" [1P-10 B]/") ? 1 : 0;
  EXPECT_EQ(tagged, 2);
}

TEST_F(Faults, UnreadableSetKeepsItsName) {
  Make("locked/a.jpg", 100);
  Make("open/a.jpg", 100);
  if (const std::string why = faults::GiveToUnprivilegedUser(root_); !why.empty()) {
    GTEST_SKIP() << "cannot hand the folders to an unprivileged user: " << why;
  }
  const Snapshot before = Take(base_);
  faults::LockFolder(base_ / "locked");
  locked_.push_back(base_ / "locked");
  std::string why_not;
  const fs::path base = base_;
  // In a child without root's rights: the box text, or a mark when the folder
  // can be read anyway.
  const auto box = faults::RunUnprivileged(
      [&base]() -> std::string {
        std::error_code error;
        if (fs::directory_iterator(base / "locked", error) != fs::directory_iterator() || !error) {
          return "\x01readable";
        }
        return RunPassIn(base).box;
      },
      why_not);
  faults::UnlockFolder(base_ / "locked");
  if (!box) GTEST_SKIP() << "cannot run the pass without rights here: " << why_not;
  if (*box == "\x01readable") {
    GTEST_SKIP() << "this user reads every folder (root without a way to drop it, or a platform "
                    "without folder rights)";
  }
  const Snapshot after = Take(base_);
  ExpectNothingLost(before, after);
  EXPECT_EQ(Names(), std::set<std::string>({"locked/", "open [1P-100 B]/"}));
  EXPECT_EQ(box->rfind("Done\n", 0), 0u) << *box;
  EXPECT_NE(box->find("\nlocked：无法读取该文件夹"), std::string::npos) << *box;
  EXPECT_NE(box->find("以下 1 个文件夹"), std::string::npos) << *box;
}

TEST_F(Faults, BaseFolderOnTmpfsOrReadOnlyMount) {
  static const struct {
    const char* label;
    bool read_only;
    std::size_t left_alone;
    const char* reason;
  } kMounts[] = {
      // On tmpfs the collision must still be refused by the file system.
      {"tmpfs", false, 1, "已有同名的文件或文件夹"},
      {"read-only bind mount", true, 3, "没有权限"},
  };
  for (const auto& c : kMounts) {
    SCOPED_TRACE(c.label);
    const fs::path mount_point = root_ / (std::string("mount-") + (c.read_only ? "ro" : "tmpfs"));
    fs::create_directories(mount_point);
    std::string why;
    if (c.read_only) {
      UseBase(root_ / "source");
      for (const FileSpec& f :
           std::vector<FileSpec>{{"A/x.jpg", 10}, {"A [old]/y.jpg", 10}, {"B/z.png", 5}}) {
        Make(f.path, f.size);
      }
      why = faults::BindReadOnly(base_, mount_point);
    } else {
      why = faults::MountTmpfs(mount_point);
    }
    if (!why.empty()) GTEST_SKIP() << "cannot mount " << c.label << " here: " << why;
    mounts_.push_back(mount_point);
    UseBase(mount_point);
    if (!c.read_only) {
      for (const FileSpec& f :
           std::vector<FileSpec>{{"A/x.jpg", 10}, {"A [old]/y.jpg", 10}, {"B/z.png", 5}}) {
        Make(f.path, f.size);
      }
    }
    const Snapshot before = Take(base_);
    const PassOutcome outcome = RunPassIn(base_);
    const Snapshot after = Take(base_);
    ExpectNothingLost(before, after);
    ExpectBoxListsLeftAlone(outcome, c.left_alone, LeftAloneExactNames(before, after), c.reason);
    if (!c.read_only) {
      EXPECT_TRUE(Names().count("B [1P-5 B]/"));
    }
  }
}

TEST_F(Faults, LinksAreNeitherRenamedNorFollowed) {
  Make("A/a.jpg", 10);
  Make("B/b.jpg", 20);
  const std::string to_set = faults::MakeFolderLink("A", base_ / "link to A");
  if (!to_set.empty()) GTEST_SKIP() << "no folder links here: " << to_set;
  // A loop inside a set: B/loop/loop/... and B/self/self/...
  ASSERT_EQ(faults::MakeFolderLink(fs::path("..") / "B", base_ / "B" / "loop"), "");
  ASSERT_EQ(faults::MakeFolderLink(".", base_ / "B" / "self"), "");
  const Snapshot before = Take(base_);
  const PassOutcome outcome = RunPassIn(base_);
  ExpectNothingLost(before, Take(base_));
  // The link stays a link (now dangling) and adds nothing to any size.
  EXPECT_EQ(Names(), std::set<std::string>({"A [1P-10 B]/", "B [1P-20 B]/", "link to A"}));
  ExpectBoxListsLeftAlone(outcome, 0, {}, nullptr);
}

TEST_F(Faults, NameThatIsNotTextIsLeftAlone) {
  const auto broken = faults::MakeBrokenNameFolder(base_, " broken");
  if (!broken) GTEST_SKIP() << "the platform refuses a name that is not valid text";
  ASSERT_TRUE(faults::MakeFileExact(*broken / "a.jpg", "picture"));
  Make("ok/a.jpg", 10);
  const Snapshot before = Take(base_);
  const PassOutcome outcome = RunPassIn(base_);
  ExpectNothingLost(before, Take(base_));
  EXPECT_TRUE(Names().count("ok [1P-10 B]/"));
  ExpectBoxListsLeftAlone(outcome, 1, {}, " broken：名称含有无法处理的字符");
}

TEST_F(Faults, FiveThousandSets) {
  constexpr int kSets = 5000;
  constexpr int kCollisions = 12;
  for (int i = 0; i < kSets; ++i) Make("set" + std::to_string(i) + "/p.jpg", 1 + i % 100);
  for (int i = 0; i < kCollisions; ++i) {
    Make("dup" + std::to_string(i) + "/x.jpg", 7);
    Make("dup" + std::to_string(i) + " [old]/y.jpg", 7);
  }
  const Snapshot before = Take(base_);
  std::int32_t last_done = -1;
  std::int32_t last_total = -1;
  PassHooks hooks;
  hooks.on_progress = [&](std::int32_t done, std::int32_t total) {
    EXPECT_GE(done, last_done);
    last_done = done;
    last_total = total;
  };
  const PassOutcome outcome = RunPassIn(base_, hooks);
  const Snapshot after = Take(base_);
  ExpectNothingLost(before, after);
  EXPECT_EQ(outcome.report.subfolders, kSets + 2 * kCollisions);
  EXPECT_EQ(last_done, last_total);
  EXPECT_EQ(outcome.report.renamed, kSets + kCollisions);
  ExpectBoxListsLeftAlone(outcome, kCollisions, {}, "已有同名的文件或文件夹");
  EXPECT_NE(outcome.box.find("……另有 2 个"), std::string::npos) << outcome.box;
  EXPECT_TRUE(after.sets.count(Utf8Path("set4999 [1P-100 B]").native()));
  EXPECT_TRUE(after.sets.count(Utf8Path("set0 [1P-1 B]").native()));
}

TEST_F(Faults, PathsLongerThan260Characters) {
  // Inside a set: the count, the size and the rename reach past MAX_PATH.
  const std::string deep = Repeat(std::string(60, 'd') + "/", 5);
  Make("deep set/a.jpg", 10);
  Make("deep set/" + deep + "b.jpg", 20);
  const Snapshot before = Take(base_);
  PassOutcome outcome = RunPassIn(base_);
  ExpectNothingLost(before, Take(base_));
  EXPECT_EQ(Names(), std::set<std::string>({"deep set [1P-30 B]/"}));
  ExpectBoxListsLeftAlone(outcome, 0, {}, nullptr);

  // The base folder itself deeper than MAX_PATH.
  UseBase(root_ / Repeat(std::string(80, 'b') + "/", 4) / "base");
  Make("S/a.jpg", 10);
  const Snapshot long_before = Take(base_);
  std::error_code error;
  const fs::path previous = fs::current_path();
  fs::current_path(base_, error);
  fs::current_path(previous);
  if (error) {
    GTEST_SKIP() << "the platform cannot make a folder deeper than 260 characters the current "
                    "directory: "
                 << error.message();
  }
  outcome = RunPassIn(base_);
  ExpectNothingLost(long_before, Take(base_));
  EXPECT_EQ(Names(), std::set<std::string>({"S [1P-10 B]/"}));
  ExpectBoxListsLeftAlone(outcome, 0, {}, nullptr);
}

TEST_F(Faults, SetHeldOpenWithoutDeleteSharing) {
  static const struct {
    const char* label;
    const char* held;  // under the base folder
  } kHeld[] = {
      {"the set folder itself", "held"},
      {"a picture in the set", "held/a.jpg"},
  };
  int row = 0;
  for (const auto& c : kHeld) {
    SCOPED_TRACE(c.label);
    UseBase(root_ / ("row" + std::to_string(++row)));
    Make("held/a.jpg", 10);
    Make("free/b.jpg", 10);
    std::string why;
    auto handle = faults::OpenWithoutDeleteSharing(base_ / Utf8Path(c.held), why);
    if (!handle) GTEST_SKIP() << "cannot hold a folder open: " << why;
    const Snapshot before = Take(base_);
    const PassOutcome outcome = RunPassIn(base_);
    handle.reset();
    ExpectNothingLost(before, Take(base_));
    EXPECT_TRUE(Names().count("free [1P-10 B]/"));
    if (Names().count("held [1P-10 B]/")) {
      GTEST_SKIP() << "Wine renamed a folder while " << c.label
                   << " was open without FILE_SHARE_DELETE: it does not enforce share modes here";
    }
    ExpectBoxListsLeftAlone(outcome, 1, {"held"}, nullptr);
    ASSERT_EQ(outcome.report.failures.size(), 1u);
    const RenameResult reason = outcome.report.failures[0].reason;
    EXPECT_TRUE(reason == RenameResult::kInUse || reason == RenameResult::kAccessDenied)
        << static_cast<int>(reason);
  }
}

}  // namespace
}  // namespace fenmarrow
