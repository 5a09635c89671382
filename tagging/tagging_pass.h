// The program's one job: one pass over the subfolders of the current
// directory that gives each a name ending with its tag.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tagging/folder_rename.h"
#include "text/byte_buffer.h"

namespace fenmarrow {

// What the front-end lends a pass. Every member may be empty.
struct PassHooks {
  // Shows the completion box (text, caption) and returns once dismissed.
  std::function<void(const GbkText& text, const GbkText& caption)> show_completion;
  // Progress, (visits done, visits in all): before each visit and after the
  // last. The pump runs right after it, so the window repaints per folder.
  std::function<void(std::int32_t done, std::int32_t total)> on_progress;
  // True once the user closed the window: the pass ends after the visit in
  // progress, renames nothing more and shows no box.
  std::function<bool()> stop_requested;
};

// A folder that does not carry its fresh tag after the pass, and why.
struct FolderFailure {
  GbkText old_name;  // as found; '?' marks characters 936 cannot hold
  GbkText new_name;  // the name it should have had ("" if never built)
  RenameResult reason;
};

struct PassReport {
  // The base folder could not be read as code page 936 text: nothing visited.
  bool base_folder_unusable = false;
  bool stopped = false;         // the user closed the window mid-pass
  std::int32_t subfolders = 0;  // subfolders found at the start
  std::int32_t visited = 0;     // visits made
  std::int32_t renamed = 0;     // folders whose name changed
  std::vector<FolderFailure> failures;
};

// Reads the subfolders of the current directory once, then visits each
// exactly once: counts its pictures, its videos (and those of its "视频"
// subfolder), measures it, and renames it to BuildTaggedName's result. Ends
// with the completion box. Folders whose name code page 936 cannot hold are
// left alone. A base folder holding "Summer" (120 pictures, 3 videos,
// 1.25 GB) → "Summer [120P-3V 1.25 GB]".
PassReport RunTaggingPass(const PassHooks& hooks);

// The completion box's text: "Done", then, when some folders kept their old
// names, a line per folder with the reason in Chinese (at most 10, then
// "……另有 N 个"). All-success report → "Done".
GbkText BuildCompletionText(const PassReport& report);

// The completion box's caption, "信息：".
GbkText CompletionCaption();

}  // namespace fenmarrow
