#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "app/front_end.h"
#include "app/program_folder.h"
#include "fsquery/message_pump.h"
#include "text/current_dir.h"

namespace fenmarrow {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const std::u16string& text) {
  const fs::path path(text);
  const std::u8string bytes = path.u8string();
  return std::string(bytes.begin(), bytes.end());
}

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

TEST(App, CentresTheWindowOnTheScreen) {
  static const struct {
    int screen_width;
    int screen_height;
    int left;
    int top;
  } kCases[] = {
      {1920, 1080, 770, 442},
      {1366, 768, 493, 286},
      {1024, 768, 322, 286},
      {380, 195, 0, 0},
      // Halves are truncated toward zero, not floored: -1 / 2 is 0, not -1.
      {379, 194, 0, 0},
      {300, 100, -40, -47},
  };
  for (const auto& c : kCases) {
    const WindowOrigin origin = CentredOrigin(c.screen_width, c.screen_height);
    EXPECT_EQ(origin.left, c.left) << c.screen_width << "x" << c.screen_height;
    EXPECT_EQ(origin.top, c.top) << c.screen_width << "x" << c.screen_height;
  }
}

TEST(App, ProgramFolderIsThePathBeforeTheLastSeparator) {
  static const struct {
    std::u16string_view path;
    PathStyle style;
    std::u16string_view folder;
  } kCases[] = {
      {u"C:\\相册\\fenmarrow.exe", PathStyle::kWindows, u"C:\\相册"},
      // 乗 and 俓 end with the byte 0x5C in code page 936; in UTF-16 they are
      // plain characters and must not be taken for separators.
      {u"C:\\乗俓\\fenmarrow.exe", PathStyle::kWindows, u"C:\\乗俓"},
      {u"C:\\a\\乗\\fenmarrow.exe", PathStyle::kWindows, u"C:\\a\\乗"},
      // A drive root keeps its backslash: "D:" would be D's current folder.
      {u"D:\\fenmarrow.exe", PathStyle::kWindows, u"D:\\"},
      {u"\\\\?\\D:\\fenmarrow.exe", PathStyle::kWindows, u"\\\\?\\D:\\"},
      {u"\\\\?\\D:\\长\\fenmarrow.exe", PathStyle::kWindows, u"\\\\?\\D:\\长"},
      {u"\\\\server\\share\\fenmarrow.exe", PathStyle::kWindows, u"\\\\server\\share"},
      {u"C:/sets/fenmarrow.exe", PathStyle::kWindows, u"C:/sets"},
      {u"fenmarrow.exe", PathStyle::kWindows, u""},
      {u"", PathStyle::kWindows, u""},
      {u"/home/ann/相册/fenmarrow", PathStyle::kPosix, u"/home/ann/相册"},
      {u"/fenmarrow", PathStyle::kPosix, u"/"},
      // On Linux a backslash is an ordinary character of a name.
      {u"/sets/a\\b/fenmarrow", PathStyle::kPosix, u"/sets/a\\b"},
      {u"/sets/a\\fenmarrow", PathStyle::kPosix, u"/sets"},
      {u"fenmarrow", PathStyle::kPosix, u""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Utf8(ProgramFolder(c.path, c.style)), Utf8(std::u16string(c.folder)))
        << Utf8(std::u16string(c.path));
  }
}

TEST(App, ProgressCaptionCountsVisits) {
  static const struct {
    std::int32_t done;
    std::int32_t total;
    std::u16string_view caption;
  } kCases[] = {
      {0, 0, u"已处理 0/0"},
      {12, 120, u"已处理 12/120"},
      {120, 120, u"已处理 120/120"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Utf8(ProgressCaption(c.done, c.total)), Utf8(std::u16string(c.caption)));
  }
}

TEST(App, ControllerRefusesASecondPassAndDefersClosing) {
  PassController controller;
  // Idle: closing goes ahead at once.
  EXPECT_TRUE(controller.RequestClose());
  EXPECT_FALSE(controller.stop_requested());

  ASSERT_TRUE(controller.BeginPass());
  EXPECT_FALSE(controller.BeginPass());
  EXPECT_FALSE(controller.RequestClose());
  EXPECT_TRUE(controller.close_requested());
  EXPECT_TRUE(controller.stop_requested());
  controller.EndPass();
  EXPECT_TRUE(controller.RequestClose());

  // A quit met during a pass is kept once, then forgotten.
  ASSERT_TRUE(controller.BeginPass());
  EXPECT_FALSE(controller.close_requested());
  controller.NoteQuit(7);
  EXPECT_TRUE(controller.stop_requested());
  controller.EndPass();
  EXPECT_EQ(controller.TakePendingQuit(), std::optional<int>(7));
  EXPECT_EQ(controller.TakePendingQuit(), std::nullopt);
}

// A real folder of picture sets in the temporary folder, made the current
// directory for the test; everything is put back afterwards.
class AppFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = fs::temp_directory_path() / ("fenmarrow-app-" + std::to_string(random()));
    fs::create_directories(root_);
    previous_ = fs::current_path();
    fs::current_path(root_);
  }

  void TearDown() override {
    SetMessagePump(nullptr);
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(root_, ignored);
  }

  // A file of exactly `size` bytes (sparse where the platform allows).
  void MakeFile(const std::string& relative, std::uintmax_t size) {
    const fs::path path = root_ / PathOf(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).close();
    fs::resize_file(path, size);
  }

  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(root_)) {
      const std::u8string name = entry.path().filename().u8string();
      names.insert(std::string(name.begin(), name.end()));
    }
    return names;
  }

  BaseFolderState Entered() const { return {BaseFolderState::Status::kEntered, root_.u16string()}; }

  fs::path root_;
  fs::path previous_;
};

// What a window saw of a click.
struct WindowLog {
  std::vector<std::string> captions;
  std::vector<std::string> boxes;
  std::vector<std::string> box_captions;
  int closes = 0;
  std::vector<int> quits;
};

WindowSide LoggingSide(WindowLog& log, const PassController& controller) {
  WindowSide side;
  side.set_button_caption = [&log](const std::u16string& caption) {
    log.captions.push_back(Utf8(caption));
  };
  side.show_box = [&log](const std::u16string& text, const std::u16string& caption) {
    log.boxes.push_back(Utf8(text));
    log.box_captions.push_back(Utf8(caption));
  };
  side.close_window = [&log, &controller] {
    // The window may only go once the pass is over.
    EXPECT_FALSE(controller.running());
    ++log.closes;
  };
  side.post_quit = [&log, &controller](int code) {
    EXPECT_FALSE(controller.running());
    log.quits.push_back(code);
  };
  return side;
}

TEST_F(AppFolder, EntersTheFolderThatHoldsTheProgram) {
  const std::optional<std::u16string> program = ReadProgramPath();
  ASSERT_TRUE(program.has_value());
  EXPECT_TRUE(fs::is_regular_file(fs::path(*program)));

  // Started with another working directory, the program still ends up in
  // its own folder.
  const BaseFolderState state = EnterProgramFolder();
  ASSERT_EQ(state.status, BaseFolderState::Status::kEntered) << Utf8(state.folder);
  EXPECT_EQ(Utf8(state.folder), Utf8(ProgramFolder(*program, kNativePathStyle)));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), fs::path(state.folder)));
  EXPECT_TRUE(fs::equivalent(fs::path(state.folder), fs::path(*program).parent_path()));
  const std::optional<std::u16string> current = ReadCurrentDirectory();
  ASSERT_TRUE(current.has_value());
  EXPECT_EQ(Utf8(*current), Utf8(state.folder));
}

TEST_F(AppFolder, EnteringAFolderThatIsNotThereChangesNothing) {
  const fs::path before = fs::current_path();
  EXPECT_FALSE(EnterFolder((root_ / PathOf("不在")).u16string()));
  EXPECT_FALSE(EnterFolder(u""));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), before));

  const fs::path chinese = root_ / PathOf("相册 集");
  fs::create_directories(chinese);
  EXPECT_TRUE(EnterFolder(chinese.u16string()));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), chinese));
}

TEST_F(AppFolder, ClickWithoutTheProgramFolderTagsNothingAndSaysWhy) {
  MakeFile("Summer/a.jpg", 1536);
  static const struct {
    BaseFolderState::Status status;
    std::u16string_view folder;
    std::string_view says;
  } kCases[] = {
      {BaseFolderState::Status::kCannotEnter, u"D:\\相册", "无法进入程序所在的文件夹"},
      {BaseFolderState::Status::kNoProgramPath, u"", "无法读取程序文件的路径"},
      {BaseFolderState::Status::kNoFolderPart, u"fenmarrow.exe", "fenmarrow.exe"},
  };
  for (const auto& c : kCases) {
    PassController controller;
    WindowLog log;
    const BaseFolderState base = {c.status, std::u16string(c.folder)};
    // The current directory stands for whatever the launcher left current.
    EXPECT_EQ(HandleClick(controller, base, LoggingSide(log, controller)), ClickOutcome::kRefused);
    EXPECT_EQ(Names(), std::set<std::string>{"Summer"});
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_NE(log.boxes[0].find(c.says), std::string::npos) << log.boxes[0];
    EXPECT_NE(log.boxes[0].find(Utf8(std::u16string(c.folder))), std::string::npos);
    EXPECT_NE(log.boxes[0].find("没有改动任何文件夹的名称"), std::string::npos);
    EXPECT_EQ(log.box_captions[0], "信息：");
    EXPECT_TRUE(log.captions.empty());
    EXPECT_FALSE(controller.running());
  }
}

TEST_F(AppFolder, ClickRunsOnePassWithProgressOnTheButton) {
  MakeFile("A/1.jpg", 1000);
  MakeFile("A/2.PNG", 536);
  MakeFile("B/视频/clip.mp4", 1024);
  MakeFile("专辑 [2P-9 KB]/x.gif", 1048576);
  PassController controller;
  WindowLog log;
  EXPECT_EQ(HandleClick(controller, Entered(), LoggingSide(log, controller)),
            ClickOutcome::kPassRan);

  EXPECT_EQ(Names(), (std::set<std::string>{"A [2P-1.5 KB]", "B [1V 1 KB]", "专辑 [1P-1 MB]"}));
  const std::vector<std::string> expected_captions = {"已处理 0/3", "已处理 1/3", "已处理 2/3",
                                                      "已处理 3/3", "执行"};
  EXPECT_EQ(log.captions, expected_captions);
  ASSERT_EQ(log.boxes.size(), 1u);
  EXPECT_EQ(log.boxes[0], "Done");
  EXPECT_EQ(log.box_captions[0], "信息：");
  EXPECT_EQ(log.closes, 0);
  EXPECT_FALSE(controller.running());

  // Nothing changed: a second click gives every folder the same name.
  EXPECT_EQ(HandleClick(controller, Entered(), LoggingSide(log, controller)),
            ClickOutcome::kPassRan);
  EXPECT_EQ(Names(), (std::set<std::string>{"A [2P-1.5 KB]", "B [1V 1 KB]", "专辑 [1P-1 MB]"}));
}

TEST_F(AppFolder, ClicksDuringAPassStartNoSecondPass) {
  MakeFile("A/1.jpg", 10);
  MakeFile("A/2.jpg", 10);
  MakeFile("B/1.jpg", 10);
  PassController controller;
  WindowLog log;
  const WindowSide side = LoggingSide(log, controller);
  // Every pump of the pass delivers a click, as a user hammering the button.
  std::vector<ClickOutcome> nested;
  SetMessagePump([&] { nested.push_back(HandleClick(controller, Entered(), side)); });

  EXPECT_EQ(HandleClick(controller, Entered(), side), ClickOutcome::kPassRan);
  SetMessagePump(nullptr);

  ASSERT_FALSE(nested.empty());
  for (ClickOutcome outcome : nested) EXPECT_EQ(outcome, ClickOutcome::kIgnoredDuringPass);
  EXPECT_EQ(log.boxes.size(), 1u);
  EXPECT_EQ(Names(), (std::set<std::string>{"A [2P-20 B]", "B [1P-10 B]"}));
  EXPECT_EQ(log.captions.back(), "执行");
}

TEST_F(AppFolder, ClosingDuringAPassStopsAfterTheFolderInProgress) {
  static const struct {
    const char* name;
    bool close;  // else the pump meets the quit message
  } kCases[] = {{"close", true}, {"quit", false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::set<std::string> before = {"A", "B", "C"};
    for (const std::string& name : before) MakeFile(name + "/p.jpg", 1024);

    PassController controller;
    WindowLog log;
    WindowSide side = LoggingSide(log, controller);
    // The user acts once the first folder is done; the pump delivers it.
    bool act = false;
    const auto show_progress = side.set_button_caption;
    side.set_button_caption = [&](const std::u16string& caption) {
      show_progress(caption);
      if (caption == u"已处理 1/3") act = true;
    };
    SetMessagePump([&] {
      if (!act) return;
      act = false;
      if (c.close) {
        EXPECT_FALSE(controller.RequestClose());
      } else {
        controller.NoteQuit(5);
      }
    });
    EXPECT_EQ(HandleClick(controller, Entered(), side), ClickOutcome::kPassRan);
    SetMessagePump(nullptr);

    // One folder got its whole tag, the others kept their names untouched.
    std::set<std::string> tagged;
    std::set<std::string> untouched;
    for (const std::string& name : Names()) {
      (before.count(name) ? untouched : tagged).insert(name);
    }
    EXPECT_EQ(untouched.size(), 2u);
    ASSERT_EQ(tagged.size(), 1u);
    EXPECT_EQ(tagged.begin()->substr(1), " [1P-1 KB]");
    EXPECT_TRUE(log.boxes.empty());
    EXPECT_EQ(log.captions.back(), "执行");
    EXPECT_EQ(log.closes, c.close ? 1 : 0);
    EXPECT_EQ(log.quits, c.close ? std::vector<int>{} : std::vector<int>{5});
    EXPECT_FALSE(controller.running());

    for (const std::string& name : Names()) fs::remove_all(root_ / PathOf(name));
  }
}

TEST_F(AppFolder, TakenNameIsListedInTheBox) {
  // Summer's new name is taken twice over: by a folder that keeps that very
  // name through the pass, and (for Autumn) by a file.
  MakeFile("Summer/a.jpg", 1024);
  MakeFile("Summer [1P-1 KB]/a.jpg", 1024);
  MakeFile("Autumn/a.jpg", 1024);
  MakeFile("Autumn [1P-1 KB]", 7);
  PassController controller;
  WindowLog log;
  EXPECT_EQ(HandleClick(controller, Entered(), LoggingSide(log, controller)),
            ClickOutcome::kPassRan);
  EXPECT_EQ(Names(),
            (std::set<std::string>{"Summer", "Summer [1P-1 KB]", "Autumn", "Autumn [1P-1 KB]"}));
  EXPECT_EQ(fs::file_size(root_ / "Autumn [1P-1 KB]"), 7u);
  ASSERT_EQ(log.boxes.size(), 1u);
  EXPECT_EQ(log.boxes[0].rfind("Done", 0), 0u) << log.boxes[0];
  EXPECT_NE(log.boxes[0].find("\nSummer"), std::string::npos) << log.boxes[0];
  EXPECT_NE(log.boxes[0].find("\nAutumn"), std::string::npos) << log.boxes[0];
}

}  // namespace
}  // namespace fenmarrow
