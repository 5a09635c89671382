// What the two windows (Win32 and Qt) share: the window's geometry, its
// texts, the start-up step that enters the program's folder, and the click
// and close handling around a tagging pass. Neither Qt nor windows.h here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fenmarrow {

// Outer size of the main window, frame included.
inline constexpr int kWindowWidth = 380;
inline constexpr int kWindowHeight = 195;

// A control's place in the window's client area.
struct ControlPlace {
  int left;
  int top;
  int width;
  int height;
};

inline constexpr ControlPlace kTitlePlace = {55, 24, 264, 64};    // 标签1
inline constexpr ControlPlace kCreditPlace = {280, 144, 88, 16};  // 标签2
inline constexpr ControlPlace kButtonPlace = {95, 104, 183, 30};  // 按钮1

inline constexpr std::u16string_view kTitleText = u"Fenmarrow";
inline constexpr std::u16string_view kCreditText = u"Quillhaven Torvelle";
inline constexpr std::u16string_view kButtonText = u"执行";
inline constexpr std::u16string_view kCreditFace = u"微软雅黑";
// The title of the completion box and of every other box the program shows.
inline constexpr std::u16string_view kBoxCaption = u"信息：";

// Font heights as character heights in pixels (the negative LOGFONT height).
inline constexpr int kTitleFontPixels = 24;
inline constexpr int kCreditFontPixels = 7;

struct WindowOrigin {
  int left;
  int top;
};

// Where the window's outer rectangle begins so that it sits in the middle of
// the screen; each half truncated toward zero. (1920, 1080) → {770, 442};
// (300, 100) → {-40, -47}.
WindowOrigin CentredOrigin(int screen_width, int screen_height);

// How a platform writes paths.
enum class PathStyle {
  kWindows,  // '\\' and '/' separate; "X:" alone names a drive
  kPosix,    // '/' separates
};

// The folder that holds the program file: the path cut before its last
// separator. A program in a drive root or in "/" keeps the root's separator,
// because "D:" alone would name the drive's current directory, not its root.
// (u"C:\\相册\\fenmarrow.exe", kWindows) → u"C:\\相册";
// (u"D:\\fenmarrow.exe", kWindows) → u"D:\\"; (u"/fenmarrow", kPosix) → u"/";
// a path without a separator → u"".
std::u16string ProgramFolder(std::u16string_view program_path, PathStyle style);

// The button's caption while a pass runs. (12, 120) → u"已处理 12/120".
std::u16string ProgressCaption(std::int32_t done, std::int32_t total);

// Start-up's attempt to make the program's folder the current directory.
struct BaseFolderState {
  enum class Status {
    kEntered,
    kNoProgramPath,  // the platform did not give the program's own path
    kNoFolderPart,   // the path has no folder part
    kCannotEnter,    // the folder exists in the path but could not be entered
  };
  Status status = Status::kNoProgramPath;
  std::u16string folder;  // the folder tried, for the message; may be empty
};

// Reads the program's path from the platform, cuts off the file name and
// makes the folder current. In a program at /sets/fenmarrow →
// {kEntered, u"/sets"} and the current directory is /sets.
BaseFolderState EnterProgramFolder();

// The box text that says why a click tagged nothing, in Chinese; u"" for a
// folder that was entered. {kCannotEnter, u"D:\\相册"} →
// u"无法进入程序所在的文件夹：\nD:\\相册\n\n没有改动任何文件夹的名称。"
std::u16string BaseFolderProblemText(const BaseFolderState& state);

// Tracks one window's pass: whether one runs, and whether the user asked the
// window to close (or the quit message came) while it ran.
class PassController {
 public:
  bool running() const { return running_; }
  bool close_requested() const { return close_requested_; }
  // True once the running pass should end after the visit in progress.
  bool stop_requested() const { return close_requested_ || pending_quit_.has_value(); }

  // Marks a pass as started; false (and nothing changes) while one runs.
  bool BeginPass();
  void EndPass();

  // The user closes the window. true → close now; false → a pass runs, the
  // request is kept, and the window closes once the pass returns.
  bool RequestClose();

  // The pump met the quit message during a pass: keep its exit code so that
  // it can be posted again once the pass is over.
  void NoteQuit(int exit_code) { pending_quit_ = exit_code; }
  // The kept exit code, once; nullopt when none came.
  std::optional<int> TakePendingQuit();

 private:
  bool running_ = false;
  bool close_requested_ = false;
  std::optional<int> pending_quit_;
};

// What a window lends the click handler. Every member must be set.
struct WindowSide {
  std::function<void(const std::u16string& caption)> set_button_caption;
  // A modal box with the program's caption; returns once dismissed.
  std::function<void(const std::u16string& text, const std::u16string& caption)> show_box;
  // Ends the window (after a close that came during the pass).
  std::function<void()> close_window;
  // Posts the quit message again (one the pump met during the pass).
  std::function<void(int exit_code)> post_quit;
};

enum class ClickOutcome {
  kPassRan,            // a pass ran to its end, or until the window closed
  kIgnoredDuringPass,  // a pass already runs: no second one
  kRefused,            // the base folder is not current: nothing tagged
};

// A click on "执行": runs one tagging pass on the current directory with the
// progress on the button, the completion box, and the close/quit requests
// that came during it; or tells in a box why nothing was tagged.
// A base folder holding "Summer" → kPassRan, folder renamed, box "Done",
// button back to u"执行".
ClickOutcome HandleClick(PassController& controller, const BaseFolderState& base,
                         const WindowSide& window);

}  // namespace fenmarrow
