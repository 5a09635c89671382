#include "app/front_end.h"

#include <string>

#include "app/program_folder.h"
#include "tagging/tagging_pass.h"
#include "text/gbk_text.h"

namespace fenmarrow {
namespace {

constexpr std::u16string_view kNothingRenamed = u"没有改动任何文件夹的名称。";

std::u16string DecimalText(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

bool IsSeparator(char16_t unit, PathStyle style) {
  return unit == u'/' || (style == PathStyle::kWindows && unit == u'\\');
}

// Whether a folder part names a drive without its root: "D:" or "\\?\D:".
bool IsBareDrive(std::u16string_view folder) {
  if (folder.size() < 2 || folder.back() != u':') return false;
  return folder.size() == 2 || (folder.size() == 6 && folder.substr(0, 4) == u"\\\\?\\");
}

}  // namespace

WindowOrigin CentredOrigin(int screen_width, int screen_height) {
  // Integer division truncates toward zero, as the window's place wants.
  return {(screen_width - kWindowWidth) / 2, (screen_height - kWindowHeight) / 2};
}

std::u16string ProgramFolder(std::u16string_view program_path, PathStyle style) {
  std::size_t cut = std::u16string_view::npos;
  for (std::size_t i = program_path.size(); i > 0; --i) {
    if (IsSeparator(program_path[i - 1], style)) {
      cut = i - 1;
      break;
    }
  }
  if (cut == std::u16string_view::npos) return u"";
  std::u16string folder(program_path.substr(0, cut));
  if (folder.empty()) {
    // "/fenmarrow": the program sits in the root.
    folder.push_back(program_path[cut]);
  } else if (style == PathStyle::kWindows && IsBareDrive(folder)) {
    folder.push_back(u'\\');
  }
  return folder;
}

std::u16string ProgressCaption(std::int32_t done, std::int32_t total) {
  return u"已处理 " + DecimalText(done) + u"/" + DecimalText(total);
}

BaseFolderState EnterProgramFolder() {
  BaseFolderState state;
  const std::optional<std::u16string> path = ReadProgramPath();
  if (!path) {
    state.status = BaseFolderState::Status::kNoProgramPath;
    return state;
  }
  state.folder = ProgramFolder(*path, kNativePathStyle);
  if (state.folder.empty()) {
    state.status = BaseFolderState::Status::kNoFolderPart;
    state.folder = *path;
    return state;
  }
  state.status = EnterFolder(state.folder) ? BaseFolderState::Status::kEntered
                                           : BaseFolderState::Status::kCannotEnter;
  return state;
}

std::u16string BaseFolderProblemText(const BaseFolderState& state) {
  switch (state.status) {
    case BaseFolderState::Status::kEntered:
      return u"";
    case BaseFolderState::Status::kNoProgramPath:
      return u"无法读取程序文件的路径，因此不知道该处理哪个文件夹。\n\n" +
             std::u16string(kNothingRenamed);
    case BaseFolderState::Status::kNoFolderPart:
      return u"无法从程序文件的路径中取得它所在的文件夹：\n" + state.folder + u"\n\n" +
             std::u16string(kNothingRenamed);
    case BaseFolderState::Status::kCannotEnter:
      return u"无法进入程序所在的文件夹：\n" + state.folder + u"\n\n" +
             std::u16string(kNothingRenamed);
  }
  return std::u16string(kNothingRenamed);
}

bool PassController::BeginPass() {
  if (running_) return false;
  running_ = true;
  close_requested_ = false;
  return true;
}

void PassController::EndPass() { running_ = false; }

bool PassController::RequestClose() {
  if (!running_) return true;
  close_requested_ = true;
  return false;
}

std::optional<int> PassController::TakePendingQuit() {
  std::optional<int> code = pending_quit_;
  pending_quit_.reset();
  return code;
}

namespace {

// After a pass or a refusal: the close or quit that came meanwhile goes ahead.
void FinishPass(PassController& controller, const WindowSide& window) {
  const bool close = controller.close_requested();
  controller.EndPass();
  if (close) window.close_window();
  if (const std::optional<int> code = controller.TakePendingQuit()) window.post_quit(*code);
}

}  // namespace

ClickOutcome HandleClick(PassController& controller, const BaseFolderState& base,
                         const WindowSide& window) {
  if (!controller.BeginPass()) return ClickOutcome::kIgnoredDuringPass;

  if (base.status != BaseFolderState::Status::kEntered) {
    // Renaming the folders of whatever directory the launcher left current
    // would hit the wrong folders: tag nothing and say why.
    window.show_box(BaseFolderProblemText(base), std::u16string(kBoxCaption));
    FinishPass(controller, window);
    return ClickOutcome::kRefused;
  }

  PassHooks hooks;
  // The pass writes its own box, also when it refuses a base folder whose
  // path it cannot hold.
  hooks.show_completion = [&](const GbkText& text, const GbkText& caption) {
    window.show_box(Utf16FromGbk(text), Utf16FromGbk(caption));
  };
  hooks.on_progress = [&](std::int32_t done, std::int32_t total) {
    window.set_button_caption(ProgressCaption(done, total));
  };
  hooks.stop_requested = [&] { return controller.stop_requested(); };

  RunTaggingPass(hooks);
  window.set_button_caption(std::u16string(kButtonText));
  FinishPass(controller, window);
  return ClickOutcome::kPassRan;
}

}  // namespace fenmarrow
