#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "tagging/tagging_pass.h"
#include "text/gbk_text.h"

namespace fenmarrow {
namespace {

namespace fs = std::filesystem;

fs::path Utf8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A base folder of picture sets in a fresh temporary folder, made the current
// directory for the test and removed afterwards.
class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::temp_directory_path() / Utf8Path(std::string("fenmarrow-pass-") + info->name());
    fs::remove_all(root_);
    base_ = root_ / "base";
    fs::create_directories(base_);
    fs::current_path(base_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Makes base/relative (UTF-8) with `size` bytes, and its folders.
  void File(const std::string& relative, std::uintmax_t size) {
    const fs::path path = base_ / Utf8Path(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).put('x');
    fs::resize_file(path, size);
  }
  void Folder(const std::string& relative) { fs::create_directories(base_ / Utf8Path(relative)); }

  // The names in the base folder, in UTF-8; folders end with "/".
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(base_)) {
      names.insert(Utf8Of(entry.path().filename()) + (entry.is_directory() ? "/" : ""));
    }
    return names;
  }

  // Runs one pass; the completion box text lands in box_ (UTF-8).
  PassReport Pass(PassHooks hooks = {}) {
    box_shown_ = 0;
    hooks.show_completion = [this](const GbkText& text, const GbkText& caption) {
      ++box_shown_;
      const std::u16string wide = Utf16FromGbk(text);
      box_ = Utf8Of(fs::path(wide));
      EXPECT_EQ(caption, GbkFromUtf8("信息："));
    };
    return RunTaggingPass(hooks);
  }

  fs::path previous_, root_, base_;
  std::string box_;
  int box_shown_ = 0;
};

TEST_F(Library, TagsEverySubfolderAndRefreshesOnTheNextPass) {
  File("Summer/a.jpg", 1000);
  File("Summer/b.JPG", 1000);
  File("Summer/c.tif", 48);
  File("Summer/v1.mp4", 2000);
  File("Summer/v2.MKV", 100);
  File("Summer/notes.txt", 0);
  File("Summer/视频/x.mp4", 500);
  File("Summer/视频/y.avi", 500);
  File("Summer/视频/z.webm", 0);
  File("Summer/视频/p.jpg", 10);           // a picture among the videos: not counted
  File("Summer/deep/q.jpg", 7);            // too deep to count, but part of the size
  File("Summer/folder.jpg/inner.png", 1);  // a folder named like a picture
  File("Trip [1P-1 KB]/one.png", 2048);
  File("专辑/1.gif", 1536);
  File("视频/m.ts", 1024);
  File(".hidden/h.bmp", 1);
  Folder("Empty");
  File("loose.jpg", 5);

  const PassReport first = Pass();
  const std::set<std::string> tagged = {
      "Summer [3P-5V 5.04 KB]/", "Trip [1P-2 KB]/", "专辑 [1P-1.5 KB]/", "视频 [1V 1 KB]/",
      ".hidden [1P-1 B]/",       "Empty [0 B]/",    "loose.jpg",
  };
  EXPECT_EQ(Names(), tagged);
  EXPECT_EQ(box_, "Done");
  EXPECT_EQ(box_shown_, 1);
  EXPECT_EQ(first.subfolders, 6);
  EXPECT_EQ(first.visited, 6);
  EXPECT_EQ(first.renamed, 6);
  EXPECT_TRUE(first.failures.empty());

  // Nothing changed: the same names, nothing renamed.
  const PassReport second = Pass();
  EXPECT_EQ(Names(), tagged);
  EXPECT_EQ(second.renamed, 0);
  EXPECT_EQ(box_, "Done");

  // New files: the tags are refreshed, not added to.
  File("Empty [0 B]/new.webp", 10);
  File("专辑 [1P-1.5 KB]/视频/clip.flv", 512);
  const PassReport third = Pass();
  EXPECT_EQ(third.renamed, 2);
  std::set<std::string> refreshed = tagged;
  refreshed.erase("Empty [0 B]/");
  refreshed.erase("专辑 [1P-1.5 KB]/");
  refreshed.insert("Empty [1P-10 B]/");
  refreshed.insert("专辑 [1P-1V 2 KB]/");
  EXPECT_EQ(Names(), refreshed);
}

TEST_F(Library, NeverReplacesAnEntryAndSaysWhichFoldersKeptTheirNames) {
  File("A/x.jpg", 10);
  File("A [1P-10 B]", 3);  // a file already has the name A would get
  Folder("B");
  Folder("B [5 B]");  // its stale tag goes, and it wants B's new name
  const PassReport report = Pass();

  const std::set<std::string> names = Names();
  EXPECT_TRUE(names.count("A/"));
  EXPECT_TRUE(names.count("A [1P-10 B]"));
  EXPECT_EQ(fs::file_size(base_ / "A [1P-10 B]"), 3u);
  EXPECT_TRUE(names.count("B [0 B]/"));
  EXPECT_EQ(names.size(), 4u) << "no folder vanished or merged";
  ASSERT_EQ(report.failures.size(), 2u);
  EXPECT_EQ(report.renamed, 1);
  for (const FolderFailure& failure : report.failures) {
    EXPECT_EQ(failure.reason, RenameResult::kTargetExists);
  }
  EXPECT_EQ(box_.rfind("Done", 0), 0u) << box_;
  EXPECT_NE(box_.find("A：已有同名的文件或文件夹"), std::string::npos) << box_;
  EXPECT_NE(box_.find("已有同名"), box_.rfind("已有同名")) << "both folders are listed";
}

TEST_F(Library, LeavesFoldersWhoseNamesCodePage936CannotHold) {
  File("\xED\x95\x9C\xEA\xB5\xAD/a.jpg", 1);  // 한국
  File("ok/a.jpg", 1);
  const PassReport report = Pass();
  EXPECT_EQ(Names(), std::set<std::string>({"\xED\x95\x9C\xEA\xB5\xAD/", "ok [1P-1 B]/"}));
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_EQ(report.failures[0].reason, RenameResult::kNameNotRepresentable);
  EXPECT_NE(box_.find("名称含有无法处理的字符"), std::string::npos) << box_;
}

TEST_F(Library, FolderRemovedDuringThePassIsReportedNotRecreated) {
  Folder("first");
  Folder("second");
  Folder("third");
  PassHooks hooks;
  // Another program removes every folder not yet visited after the first
  // visit.
  std::set<std::string> seen;
  hooks.on_progress = [&](std::int32_t done, std::int32_t) {
    if (done != 1) return;
    for (const auto& entry : fs::directory_iterator(base_)) {
      const std::string name = Utf8Of(entry.path().filename());
      if (name.find('[') == std::string::npos) fs::remove_all(entry.path());
    }
  };
  const PassReport report = Pass(hooks);
  EXPECT_EQ(Names().size(), 1u);
  EXPECT_EQ(report.visited, 3);
  ASSERT_EQ(report.failures.size(), 2u);
  for (const FolderFailure& failure : report.failures) {
    EXPECT_EQ(failure.reason, RenameResult::kSourceMissing);
  }
}

TEST_F(Library, UnreadableFolderKeepsItsNameInsteadOfAFalseZeroSize) {
  File("locked/a.jpg", 100);
  File("open/a.jpg", 100);
  fs::permissions(base_ / "locked", fs::perms::none);
  std::error_code probe;
  const bool readable_anyway =
      fs::directory_iterator(base_ / "locked", probe) != fs::directory_iterator();
  if (readable_anyway) {
    fs::permissions(base_ / "locked", fs::perms::owner_all);
    GTEST_SKIP() << "this user reads every folder (root, or a platform without such rights)";
  }
  const PassReport report = Pass();
  fs::permissions(base_ / "locked", fs::perms::owner_all);
  EXPECT_EQ(Names(), std::set<std::string>({"locked/", "open [1P-100 B]/"}));
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_EQ(report.failures[0].reason, RenameResult::kFolderUnreadable);
}

TEST_F(Library, StopsAfterTheVisitInProgressWhenTheWindowCloses) {
  Folder("one");
  Folder("two");
  Folder("three");
  PassHooks hooks;
  int progress_calls = 0;
  hooks.on_progress = [&](std::int32_t, std::int32_t total) {
    EXPECT_EQ(total, 3);
    ++progress_calls;
  };
  hooks.stop_requested = [&] { return progress_calls >= 2; };
  const PassReport report = Pass(hooks);
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(report.visited, 1);
  EXPECT_EQ(report.renamed, 1);
  EXPECT_EQ(box_shown_, 0) << "the program is closing: no box";
}

TEST_F(Library, EmptyBaseFolderEndsWithDone) {
  File("only-a-file.jpg", 1);
  const PassReport report = Pass();
  EXPECT_EQ(report.visited, 0);
  EXPECT_EQ(box_, "Done");
  EXPECT_EQ(Names(), std::set<std::string>({"only-a-file.jpg"}));
}

TEST_F(Library, BaseFolderThatCodePage936CannotHoldTagsNothing) {
  const fs::path odd = base_ / Utf8Path("\xED\x95\x9C");  // 한
  fs::create_directories(odd / "set");
  fs::current_path(odd);
  const PassReport report = Pass();
  EXPECT_TRUE(report.base_folder_unusable);
  EXPECT_TRUE(fs::exists(odd / "set"));
  EXPECT_EQ(box_.rfind("Done", 0), std::string::npos);
  EXPECT_NE(box_.find("没有重命名任何文件夹"), std::string::npos) << box_;
}

TEST(CompletionText, ListsAtMostTenFolders) {
  PassReport report;
  for (int i = 0; i < 12; ++i) {
    report.failures.push_back({"set" + std::to_string(i), "", RenameResult::kInUse});
  }
  const std::u16string text = Utf16FromGbk(BuildCompletionText(report));
  const std::string utf8 = Utf8Of(fs::path(text));
  EXPECT_EQ(utf8.rfind("Done\n", 0), 0u);
  EXPECT_NE(utf8.find("set9：正被其他程序使用"), std::string::npos);
  EXPECT_EQ(utf8.find("set10："), std::string::npos);
  EXPECT_NE(utf8.find("……另有 2 个"), std::string::npos) << utf8;
  EXPECT_EQ(BuildCompletionText(PassReport()), "Done");
}

}  // namespace
}  // namespace fenmarrow
