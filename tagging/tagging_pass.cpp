#include "tagging/tagging_pass.h"

#include <optional>
#include <string>
#include <utility>

#include "fsquery/dir_search.h"
#include "fsquery/folder_stats.h"
#include "fsquery/message_pump.h"
#include "fsquery/pattern_count.h"
#include "tagging/size_text.h"
#include "tagging/tag_rule.h"
#include "text/gbk_text.h"

namespace fenmarrow {
namespace {

constexpr char kPictureList[] = "*.jpg|*.jpeg|*.png|*.gif|*.bmp|*.tif|*.webp";
constexpr char kVideoList[] = "*.MP4|*.avi|*.mov|*.mkv|*.flv|*.ts|*.WMV|*.WebM";
constexpr std::size_t kMaxListedFailures = 10;

// Every subfolder present now, read to the end before anything is renamed:
// a search that is still open while names change may return a renamed folder
// again or pass over one.
std::vector<DirEntry> ListSubfolders(const GbkText& base) {
  std::vector<DirEntry> subfolders;
  DirSearchSlot slot;
  for (DirEntry entry = FindDirEntry(base + kPathSeparator + "*", EntryFilter::kDirectories, slot);
       !entry.name.empty(); entry = FindDirEntry("", EntryFilter::kDirectories, slot)) {
    if (entry.name == "." || entry.name == "..") continue;
    subfolders.push_back(std::move(entry));
  }
  FindDirClose(slot);
  return subfolders;
}

// Why a folder that measured no bytes cannot be opened, or nullopt when it
// can: a folder that is really empty still lists ".", while a missing or
// unreadable one lists nothing.
std::optional<RenameResult> WhyUnopenable(const GbkText& base, const GbkText& name) {
  DirSearchSlot slot;
  const GbkText folder = base + kPathSeparator + name;
  if (!FindDirEntry(folder + kPathSeparator + "*", EntryFilter::kDirectories, slot).name.empty()) {
    return std::nullopt;
  }
  const bool still_there =
      !FindDirEntry(base + kPathSeparator + name, EntryFilter::kDirectories, slot).name.empty();
  FindDirClose(slot);
  return still_there ? RenameResult::kFolderUnreadable : RenameResult::kSourceMissing;
}

// Counts, measures and renames one subfolder. Returns kRenamed when the
// folder carries its fresh tag afterwards (also when the name was already
// right).
RenameResult TagOneFolder(const GbkText& base, const DirEntry& entry, GbkText& new_name) {
  if (!entry.representable) return RenameResult::kNameNotRepresentable;
  const GbkText folder = base + kPathSeparator + entry.name;
  std::int32_t pictures = 0;
  std::int32_t videos = 0;
  std::int64_t bytes = 0;
  {
    // The counts and the size read the folder once between them.
    const DirListingScope one_read;
    NameList names;
    pictures = CountMatchingFiles(folder, kPictureList, names);
    videos = CountMatchingFiles(folder, kVideoList, names);
    videos += CountMatchingFiles(folder + kPathSeparator + GbkFromUtf8("视频"), kVideoList, names);
    bytes = GetFolderSize(folder);
  }
  // A folder that cannot be read would get a false "0 B" (or "-1 B") in its
  // name; it keeps its name instead.
  if (bytes < 0) return RenameResult::kFolderUnreadable;
  if (bytes == 0) {
    if (const auto problem = WhyUnopenable(base, entry.name)) return *problem;
  }
  new_name =
      BuildTaggedName(entry.name, pictures, videos, FormatSizeText(static_cast<double>(bytes)));
  return RenameFolder(base, entry.name, new_name);
}

GbkText ReasonText(RenameResult reason) {
  switch (reason) {
    case RenameResult::kRenamed:
      return {};
    case RenameResult::kTargetExists:
      return GbkFromUtf8("已有同名的文件或文件夹");
    case RenameResult::kSourceMissing:
      return GbkFromUtf8("文件夹已不存在");
    case RenameResult::kAccessDenied:
      return GbkFromUtf8("没有权限");
    case RenameResult::kInUse:
      return GbkFromUtf8("正被其他程序使用");
    case RenameResult::kNameTooLong:
      return GbkFromUtf8("新名称太长");
    case RenameResult::kNameInvalid:
      return GbkFromUtf8("新名称含有不允许的字符");
    case RenameResult::kNameNotRepresentable:
      return GbkFromUtf8("名称含有无法处理的字符");
    case RenameResult::kFolderUnreadable:
      return GbkFromUtf8("无法读取该文件夹");
    case RenameResult::kFailed:
      break;
  }
  return GbkFromUtf8("重命名失败");
}

}  // namespace

GbkText CompletionCaption() { return GbkFromUtf8("信息："); }

GbkText BuildCompletionText(const PassReport& report) {
  if (report.base_folder_unusable) {
    return GbkFromUtf8("程序所在文件夹的路径含有无法处理的字符，无法读取，没有重命名任何文件夹。");
  }
  GbkText text = "Done";
  if (report.failures.empty()) return text;
  text += GbkFromUtf8("\n\n以下 ") + std::to_string(report.failures.size()) +
          GbkFromUtf8(" 个文件夹保留了原来的名称：");
  for (std::size_t i = 0; i < report.failures.size() && i < kMaxListedFailures; ++i) {
    const FolderFailure& failure = report.failures[i];
    text += "\n" + failure.old_name + GbkFromUtf8("：") + ReasonText(failure.reason);
  }
  if (report.failures.size() > kMaxListedFailures) {
    text += GbkFromUtf8("\n……另有 ") + std::to_string(report.failures.size() - kMaxListedFailures) +
            GbkFromUtf8(" 个");
  }
  return text;
}

PassReport RunTaggingPass(const PassHooks& hooks) {
  PassReport report;
  const auto stop_requested = [&hooks] { return hooks.stop_requested && hooks.stop_requested(); };
  const auto progress = [&hooks](std::int32_t done, std::int32_t total) {
    if (hooks.on_progress) hooks.on_progress(done, total);
    PumpPendingMessages();
  };

  // Paths are built from this text, so it must be the exact folder: a '?'
  // in place of a character would name another folder, or none.
  const std::optional<GbkText> base = GetCurrentDirectoryTextExact();
  if (!base) {
    report.base_folder_unusable = true;
  } else {
    const std::vector<DirEntry> subfolders = ListSubfolders(*base);
    report.subfolders = static_cast<std::int32_t>(subfolders.size());
    for (const DirEntry& entry : subfolders) {
      progress(report.visited, report.subfolders);
      if (stop_requested()) break;
      ++report.visited;
      GbkText new_name;
      const RenameResult result = TagOneFolder(*base, entry, new_name);
      if (result != RenameResult::kRenamed) {
        report.failures.push_back({entry.name, new_name, result});
      } else if (new_name != entry.name) {
        ++report.renamed;
      }
    }
    if (stop_requested()) {
      report.stopped = true;
      return report;
    }
    progress(report.visited, report.subfolders);
  }
  if (hooks.show_completion)
    hooks.show_completion(BuildCompletionText(report), CompletionCaption());
  return report;
}

}  // namespace fenmarrow
