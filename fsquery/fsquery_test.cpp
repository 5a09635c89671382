#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fsquery/dir_search.h"
#include "fsquery/folder_stats.h"
#include "fsquery/folder_stats_query.h"
#include "fsquery/message_pump.h"
#include "fsquery/pattern_count.h"
#include "fsquery/test_fixture.h"
#include "fsquery/wildcard.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace fenmarrow {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kNoSuchObject = u"Fenmarrow.NoSuchObject";

// A path written in UTF-8 (as the sources are), for making fixtures.
fs::path U8(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The code page 936 text of a fixture path, as the queries take it.
GbkText Gbk(const fs::path& path) {
  return Utf16ToCp936(path.u16string(), Conversion::kExact).value_or("<not 936>");
}

bool WriteFile(const fs::path& path, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out << std::string(size, 'x');
  out.close();
  return !out.fail();
}

// A real folder under the temporary directory, removed with all its content.
class TempTree {
 public:
  TempTree() {
    static int serial = 0;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::error_code error;
    root_ = fs::temp_directory_path(error) /
            U8("fenmarrow-fsq-" + std::to_string(stamp) + "-" + std::to_string(++serial) +
               "-\xE4\xB8\x93\xE8\xBE\x91");  // 专辑
    fs::create_directories(root_, error);
  }
  ~TempTree() {
    std::error_code error;
    fs::remove_all(root_, error);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const fs::path& root() const { return root_; }
  fs::path Path(std::string_view relative_utf8) const { return root_ / U8(relative_utf8); }
  GbkText Text(std::string_view relative_utf8) const {
    return relative_utf8.empty() ? Gbk(root_) : Gbk(Path(relative_utf8));
  }
  bool File(std::string_view relative_utf8, std::size_t size) const {
    return WriteFile(Path(relative_utf8), size);
  }
  bool Folder(std::string_view relative_utf8) const {
    std::error_code error;
    return fs::create_directories(Path(relative_utf8), error);
  }

 private:
  fs::path root_;
};

std::vector<GbkText> NamesOf(const NameList& list) {
  std::vector<GbkText> names;
  for (const DirEntry& entry : list) names.push_back(entry.name);
  return names;
}

// Every name that a directory-filter walk of `folder` returns.
std::vector<GbkText> WalkDirectories(const GbkText& folder) {
  std::vector<GbkText> names;
  DirSearchSlot slot;
  GbkText text = folder + kPathSeparator + "*";
  for (DirEntry entry = FindDirEntry(text, EntryFilter::kDirectories, slot); !entry.name.empty();
       entry = FindDirEntry("", EntryFilter::kDirectories, slot)) {
    names.push_back(entry.name);
  }
  EXPECT_FALSE(slot.is_open());
  FindDirClose(slot);
  return names;
}

TEST(Fsquery, SplitPatternList) {
  static const struct {
    const char* list;
    std::vector<std::string> pieces;
  } kCases[] = {
      {"*.a|*.b", {"*.a", "*.b"}},
      {"*.a|", {"*.a"}},
      {"*.a||*.b", {"*.a", "", "*.b"}},
      {"|x", {"", "x"}},
      {"|", {""}},
      {"", {}},
      {"*.jpg", {"*.jpg"}},
      // A trail byte 0x7C belongs to its character and does not split.
      {"\x81\x7C.a|b", {"\x81\x7C.a", "b"}},
      {"\xD5\xD5|\xC6\xAC", {"\xD5\xD5", "\xC6\xAC"}},
      // A lead byte at the very end ends the scan; what came before stays.
      {"a|b\x81", {"a", "b\x81"}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(SplitPatternList(c.list), c.pieces) << "list: " << c.list;
  }
  // The list ends at a zero byte.
  EXPECT_EQ(SplitPatternList(std::string("a|b\0|c", 6)), (std::vector<std::string>{"a", "b"}));
}

TEST(Fsquery, WildcardMatch) {
  static const struct {
    std::u16string_view pattern;
    std::u16string_view name;
    bool match;
  } kCases[] = {
      {u"*.jpg", u"a.JPG", true},
      {u"*.MP4", u"clip.mp4", true},
      {u"*.jpg", u"a.jpeg", false},
      {u"*.jpg", u"jpg", false},
      {u"*.ts", u"a.ts.bak", false},
      {u"*.ts", u"a.bak.ts", true},
      {u"?.png", u"c.png", true},
      {u"?.png", u"ab.png", false},
      {u"?.png", u"\U0001F600.png", true},  // a surrogate pair is one character
      {u"*", u"", true},
      {u"", u"a", false},
      {u"*a*b", u"xaxxbxb", true},
      {u"a*", u"A", true},
      {u"视频", u"视频", true},
      {u"*.Mp4", u"视频.mP4", true},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match);
  }
}

// A folder of pictures and videos with the awkward cases beside them.
class CountFixture {
 public:
  CountFixture() {
    ok_ = tree_.Folder("set");
    for (const char* name : {"a.jpg", "B.JPG", "c.png", "d.txt", ".hidden.jpg",
                             "\xE8\xA7\x86\xE9\xA2\x91.MP4"}) {  // 视频.MP4
      ok_ = ok_ && tree_.File(std::string("set/") + name, 3);
    }
    ok_ = ok_ && tree_.Folder("set/sub.jpg") && tree_.File("set/sub.jpg/deep.jpg", 1) &&
          tree_.File("set/sub.jpg/deep.png", 1) && test::MarkHidden(tree_.Path("set/.hidden.jpg"));
  }
  bool ok() const { return ok_; }
  GbkText folder() const { return tree_.Text("set"); }

 private:
  TempTree tree_;
  bool ok_ = true;
};

TEST(Fsquery, CountMatchingFilesCountsPieceByPiece) {
  CountFixture fixture;
  ASSERT_TRUE(fixture.ok());
  // Each group holds the names one piece finds, in any order; the groups
  // come in the order of the pieces.
  static const struct {
    const char* list;
    std::vector<std::vector<const char*>> groups;
  } kCases[] = {
      // Letter case is ignored, hidden files count, a folder named like a
      // match does not, and nothing below the folder is counted.
      {"*.jpg", {{"a.jpg", "B.JPG", ".hidden.jpg"}}},
      {"*.png|*.JPG", {{"c.png"}, {"a.jpg", "B.JPG", ".hidden.jpg"}}},
      {"*.png|*.png", {{"c.png"}, {"c.png"}}},       // a piece listed twice counts twice
      {"*.png|*.p?g", {{"c.png"}, {"c.png"}}},       // a file matching two pieces too
      {"*.png|", {{"c.png"}}},                       // no extra piece
      {"*.png||*.txt", {{"c.png"}, {}, {"d.txt"}}},  // the empty piece adds nothing
      {"|*.txt", {{}, {"d.txt"}}},
      {"|", {{}}},
      {"", {}},
      {"*.mp4|*.avi", {{"\xE8\xA7\x86\xE9\xA2\x91.MP4"}, {}}},
      {"*.gif", {{}}},
      {"*", {{"a.jpg", "B.JPG", "c.png", "d.txt", ".hidden.jpg", "\xE8\xA7\x86\xE9\xA2\x91.MP4"}}},
  };
  for (const auto& c : kCases) {
    for (const GbkText& folder : {fixture.folder(), fixture.folder() + kPathSeparator}) {
      SCOPED_TRACE(std::string("list ") + c.list + ", folder " + folder);
      NameList names = {DirEntry{"left over", true}};
      const std::int32_t count = CountMatchingFiles(folder, GbkFromUtf8(c.list), names);
      ASSERT_EQ(static_cast<std::size_t>(count), names.size());
      std::vector<GbkText> found = NamesOf(names);
      std::size_t next = 0;
      for (const auto& group : c.groups) {
        std::vector<GbkText> expected;
        for (const char* name : group) expected.push_back(GbkFromUtf8(name));
        ASSERT_LE(next + expected.size(), found.size());
        std::vector<GbkText> got(found.begin() + static_cast<std::ptrdiff_t>(next),
                                 found.begin() + static_cast<std::ptrdiff_t>(next + group.size()));
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected);
        next += group.size();
      }
      EXPECT_EQ(next, found.size());
      for (const DirEntry& entry : names) EXPECT_TRUE(entry.representable) << entry.name;
    }
  }
}

TEST(Fsquery, FolderWhoseLastCharacterEndsInByte5CIsSearchedItself) {
  // 淺 is 0x9C 0x5C in code page 936: its second byte is a backslash's.
  TempTree tree;
  ASSERT_TRUE(tree.Folder("\xE6\xB7\xB1\xE6\xB7\xBA"));  // 深淺
  ASSERT_TRUE(tree.File("\xE6\xB7\xB1\xE6\xB7\xBA/a.jpg", 1));
  ASSERT_TRUE(tree.File("\xE6\xB7\xB1\xE6\xB7\xBA-decoy.jpg", 1));
  const GbkText folder = tree.Text("\xE6\xB7\xB1\xE6\xB7\xBA");
  ASSERT_EQ(folder.substr(folder.size() - 2), "\x9C\x5C");
  NameList names;
  EXPECT_EQ(CountMatchingFiles(folder, "*.jpg", names), 1);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].name, "a.jpg");
}

TEST(Fsquery, CountMatchingFilesOfAFolderThatCannotBeSearched) {
  TempTree tree;
  ASSERT_TRUE(tree.File("only.jpg", 1));
  static const struct {
    const char* folder_utf8;  // below the fixture root
    const char* list;
  } kCases[] = {
      {"missing", "*.jpg|*.png"},
      {"only.jpg", "*"},  // a file, not a folder
      {"missing/deeper", "*"},
  };
  for (const auto& c : kCases) {
    NameList names = {DirEntry{"left over", true}};
    EXPECT_EQ(CountMatchingFiles(tree.Text(c.folder_utf8), c.list, names), 0) << c.folder_utf8;
    EXPECT_TRUE(names.empty());
  }
  // A folder text that code page 936 does not hold is not searched at all.
  NameList names;
  EXPECT_EQ(CountMatchingFiles(tree.Text("") + kPathSeparator + "\x81", "*", names), 0);
}

TEST(Fsquery, NamesThatCodePage936CannotHoldAreFlagged) {
  TempTree tree;
  ASSERT_TRUE(tree.File("\xE5\xA5\xBD.jpg", 1));      // 好.jpg: 936 holds it
  ASSERT_TRUE(tree.File("\xF0\x9F\x98\x80.jpg", 1));  // an emoji
  ASSERT_TRUE(tree.File("\xED\x95\x9C.jpg", 1));      // Hangul
  const bool broken = test::MakeFileWithBrokenName(tree.root());
  NameList names;
  const std::int32_t count = CountMatchingFiles(tree.Text(""), "*.jpg", names);
  // Such names still count as files: the pass must see them to leave them be.
  EXPECT_EQ(count, broken ? 4 : 3);
  int flagged = 0;
  for (const DirEntry& entry : names) {
    if (entry.name == GbkFromUtf8("\xE5\xA5\xBD.jpg")) {
      EXPECT_TRUE(entry.representable);
      continue;
    }
    EXPECT_FALSE(entry.representable) << entry.name;
    EXPECT_NE(entry.name.find('?'), GbkText::npos) << entry.name;
    ++flagged;
  }
  EXPECT_EQ(flagged, count - 1);
}

TEST(Fsquery, FindDirEntryWalksDirectoriesAndAgreesWithTheCount) {
  TempTree tree;
  ASSERT_TRUE(tree.Folder("A") && tree.Folder("\xE4\xB8\x93\xE8\xBE\x91") &&  // 专辑
              tree.Folder(".dot") && tree.Folder("A/inner") && tree.File("f.txt", 1) &&
              tree.File(".g", 1));
  const bool linked = test::MakeFolderLink(tree.Path("A"), tree.Path("link"));
  test::MakeFileLink(tree.Path("f.txt"), tree.Path("file-link"));

  std::vector<GbkText> walked = WalkDirectories(tree.Text(""));
  std::sort(walked.begin(), walked.end());
  std::vector<GbkText> expected = {".", "..", ".dot", "A", GbkFromUtf8("\xE4\xB8\x93\xE8\xBE\x91")};
  // A link to a folder is not a folder on Linux; on Windows the platform's
  // attribute decides, and the count below must follow the same rule.
  if (test::IsWindowsBuild() && linked &&
      std::find(walked.begin(), walked.end(), "link") != walked.end()) {
    expected.push_back("link");
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(walked, expected);
  EXPECT_EQ(GetSubfolderCount(tree.Text("")), static_cast<std::int32_t>(walked.size()) - 2);
  EXPECT_EQ(QuerySubfolderCount(tree.Text(""), kNoSuchObject).value,
            static_cast<std::int32_t>(walked.size()) - 2);
}

TEST(Fsquery, FindDirEntrySlotLifecycle) {
  TempTree tree;
  ASSERT_TRUE(tree.Folder("A") && tree.Folder("B") && tree.File("c.txt", 1));
  const GbkText root = tree.Text("");
  DirSearchSlot slot;
  // Nothing to continue: no platform search, no entry.
  EXPECT_TRUE(FindDirEntry("", EntryFilter::kFiles, slot).name.empty());
  // A search text ending with the separator, or that 936 cannot carry, or
  // naming a missing folder, starts nothing.
  for (const GbkText& text : {root + kPathSeparator, root + kPathSeparator + "\x81",
                              root + kPathSeparator + "missing" + kPathSeparator + "*"}) {
    EXPECT_TRUE(FindDirEntry(text, EntryFilter::kDirectories, slot).name.empty()) << text;
    EXPECT_FALSE(slot.is_open());
  }
  // A doubled separator (a drive root followed by one more) still searches.
  EXPECT_EQ(
      FindDirEntry(root + kPathSeparator + kPathSeparator + "*.txt", EntryFilter::kFiles, slot)
          .name,
      "c.txt");
  // A new search text replaces an open search.
  EXPECT_EQ(FindDirEntry(root + kPathSeparator + "*.txt", EntryFilter::kFiles, slot).name, "c.txt");
  EXPECT_EQ(FindDirEntry(root + kPathSeparator + "b", EntryFilter::kDirectories, slot).name, "B");
  EXPECT_TRUE(FindDirEntry("", EntryFilter::kDirectories, slot).name.empty());
  EXPECT_FALSE(slot.is_open());
  EXPECT_TRUE(FindDirEntry("", EntryFilter::kDirectories, slot).name.empty());
  // Closing an open search empties the slot.
  EXPECT_FALSE(FindDirEntry(root + kPathSeparator + "*", EntryFilter::kFiles, slot).name.empty());
  FindDirClose(slot);
  EXPECT_FALSE(slot.is_open());
  FindDirClose(slot);
}

TEST(Fsquery, PumpRunsAfterEveryFileFound) {
  CountFixture fixture;
  ASSERT_TRUE(fixture.ok());
  int pumped = 0;
  std::int32_t nested = -1;
  SetMessagePump([&] {
    // A count started from inside the pump has a search of its own and does
    // not disturb the one that is waiting.
    if (++pumped == 1) {
      NameList inner;
      nested = CountMatchingFiles(fixture.folder(), "*.png|*.txt", inner);
    }
  });
  NameList names;
  EXPECT_EQ(CountMatchingFiles(fixture.folder(), "*.jpg|*.jpg", names), 6);
  EXPECT_EQ(nested, 2);
  EXPECT_EQ(pumped, 6 + 2);  // the nested count pumped for its own two files
  pumped = 0;
  EXPECT_EQ(CountMatchingFiles(fixture.folder(), "*.gif", names), 0);
  EXPECT_EQ(pumped, 0);
  SetMessagePump(nullptr);
  PumpPendingMessages();  // no pump installed: nothing happens
}

// A tree whose size and subfolder counts are known at every level.
class StatsFixture {
 public:
  StatsFixture() {
    ok_ = tree_.File("a.bin", 1000) && tree_.File(".hidden", 10) &&
          test::MarkHidden(tree_.Path(".hidden")) && tree_.Folder("sub/deeper") &&
          tree_.File("sub/b.bin", 200) && tree_.File("sub/deeper/c.bin", 30) &&
          tree_.Folder(".dotdir") && tree_.File(".dotdir/d.bin", 4) && tree_.Folder("empty") &&
          tree_.Folder("\xE4\xB8\x93\xE8\xBE\x91") &&  // 专辑
          tree_.File("\xE4\xB8\x93\xE8\xBE\x91/\xF0\x9F\x98\x80.bin", 5);
  }
  bool ok() const { return ok_; }
  const TempTree& tree() const { return tree_; }

 private:
  TempTree tree_;
  bool ok_ = false;
};

TEST(Fsquery, FolderStatisticsWithAndWithoutTheScriptingObject) {
  StatsFixture fixture;
  ASSERT_TRUE(fixture.ok());
  static const struct {
    const char* folder_utf8;
    std::int32_t subfolders;
    std::int64_t size;
  } kCases[] = {
      {"", 4, 1249},          // hidden files and dot-folders count
      {"sub", 1, 230},        // every depth
      {"sub/deeper", 0, 30},  // a folder with only files
      {"empty", 0, 0},       {"\xE4\xB8\x93\xE8\xBE\x91", 0, 5},  // a name 936 can't hold below
      {"missing", 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string("folder ") + c.folder_utf8);
    const GbkText folder = fixture.tree().Text(c.folder_utf8);
    EXPECT_EQ(GetSubfolderCount(folder), c.subfolders);
    EXPECT_EQ(GetFolderSize(folder), c.size);
    EXPECT_EQ(GetSubfolderCount(folder + kPathSeparator), c.subfolders);
    EXPECT_EQ(GetFolderSize(folder + kPathSeparator), c.size);
    // Without the object the walk gives the same answers.
    const bool missing = std::string(c.folder_utf8) == "missing";
    const auto count = QuerySubfolderCount(folder, kNoSuchObject);
    const auto size = QueryFolderSize(folder, kNoSuchObject);
    if (missing) {
      // The failure marker remains only for a folder nothing can open.
      const int marker = test::IsWindowsBuild() ? -1 : 0;
      EXPECT_EQ(count.value, marker);
      EXPECT_EQ(size.value, marker);
      EXPECT_EQ(count.source, StatSource::kNone);
      EXPECT_EQ(size.source, StatSource::kNone);
    } else {
      EXPECT_EQ(count.value, c.subfolders);
      EXPECT_EQ(size.value, c.size);
      EXPECT_EQ(count.source, StatSource::kNativeWalk);
      EXPECT_EQ(size.source, StatSource::kNativeWalk);
    }
  }
  // Which road answered with the real object (Wine's cannot give Size).
  const GbkText root = fixture.tree().Text("");
  const auto count = QuerySubfolderCount(root, kFileSystemObjectProgId);
  const auto size = QueryFolderSize(root, kFileSystemObjectProgId);
  std::printf("scripting object: Count via %s, Size via %s\n",
              count.source == StatSource::kScriptingObject ? "object" : "walk",
              size.source == StatSource::kScriptingObject ? "object" : "walk");
}

TEST(Fsquery, FolderSizeOfAFiveGibibyteSparseFile) {
  TempTree tree;
  constexpr std::int64_t kFiveGib = 5368709120;
  ASSERT_TRUE(test::MakeSparseFile(tree.Path("big.bin"), kFiveGib));
  ASSERT_TRUE(tree.File("small.bin", 7));
  EXPECT_EQ(GetFolderSize(tree.Text("")), kFiveGib + 7);
  EXPECT_EQ(QueryFolderSize(tree.Text(""), kNoSuchObject).value, kFiveGib + 7);
  EXPECT_EQ(GetSubfolderCount(tree.Text("")), 0);
}

TEST(Fsquery, FolderSizeNeverFollowsLinks) {
  TempTree outside;
  ASSERT_TRUE(outside.File("elsewhere.bin", 5000));
  TempTree tree;
  ASSERT_TRUE(tree.Folder("sub") && tree.File("sub/a.bin", 11) && tree.File("b.bin", 22));
  // A loop back to the top, one to itself, a link out of the tree and a link
  // to a file: none adds anything, none is a subfolder.
  if (!test::MakeFolderLink(tree.root(), tree.Path("sub/back"))) {
    GTEST_SKIP() << "links cannot be made here";
  }
  ASSERT_TRUE(test::MakeFolderLink(tree.Path("sub"), tree.Path("sub/self")) &&
              test::MakeFolderLink(outside.root(), tree.Path("out")) &&
              test::MakeFileLink(outside.Path("elsewhere.bin"), tree.Path("file-link")));
  EXPECT_EQ(GetFolderSize(tree.Text("")), 33);
  EXPECT_EQ(QueryFolderSize(tree.Text(""), kNoSuchObject).value, 33);
  EXPECT_EQ(QuerySubfolderCount(tree.Text(""), kNoSuchObject).value, 1);
  EXPECT_EQ(static_cast<std::int32_t>(WalkDirectories(tree.Text("")).size()) - 2, 1);
}

TEST(Fsquery, PathsLongerThanTheClassicLimit) {
  TempTree tree;
  // Well past 260 characters, as deep picture collections get.
  std::string relative = "deep";
  while (relative.size() < 320) relative += "/\xE4\xB8\x93\xE8\xBE\x91-folder-with-a-long-name";
  std::error_code error;
  fs::create_directories(tree.Path(relative), error);
  if (error || !tree.File(relative + "/x.jpg", 9)) {
    GTEST_SKIP() << "the fixture cannot make long paths here";
  }
  NameList names;
  EXPECT_EQ(CountMatchingFiles(tree.Text(relative), "*.jpg", names), 1);
  EXPECT_EQ(GetFolderSize(tree.Text("")), 9);
  EXPECT_EQ(QueryFolderSize(tree.Text(""), kNoSuchObject).value, 9);
  EXPECT_EQ(QueryFolderSize(tree.Text(relative), kNoSuchObject).value, 9);
}

TEST(Fsquery, UnreadableSubfolderIsPassedOver) {
  if (test::IsWindowsBuild()) GTEST_SKIP() << "folder rights are not modelled under Wine";
  TempTree tree;
  ASSERT_TRUE(tree.File("ok.bin", 100) && tree.Folder("locked") &&
              tree.File("locked/secret.bin", 50) && tree.File("locked/s.jpg", 1) &&
              tree.Folder("open") && tree.File("open/r.bin", 7));
  std::error_code error;
  fs::permissions(tree.Path("locked"), fs::perms::none, error);
  ASSERT_FALSE(error);
  const GbkText root = tree.Text("");
  const GbkText locked = tree.Text("locked");
  const auto size = test::RunUnprivileged([&] { return GetFolderSize(root); });
  const auto count = test::RunUnprivileged([&] { return std::int64_t{GetSubfolderCount(root)}; });
  const auto files = test::RunUnprivileged([&] {
    NameList names;
    return std::int64_t{CountMatchingFiles(locked, "*", names)};
  });
  const auto locked_size = test::RunUnprivileged([&] { return GetFolderSize(locked); });
  fs::permissions(tree.Path("locked"), fs::perms::owner_all, error);
  if (!size || !count || !files || !locked_size) GTEST_SKIP() << "cannot drop root's rights";
  EXPECT_EQ(*size, 107);
  EXPECT_EQ(*count, 2);  // still a subfolder, though it cannot be read
  EXPECT_EQ(*files, 0);
  EXPECT_EQ(*locked_size, 0);
}

}  // namespace
}  // namespace fenmarrow
