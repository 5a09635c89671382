// Giving one subfolder of the base folder a new name in the same folder.
#pragma once

#include "text/byte_buffer.h"

namespace fenmarrow {

enum class RenameResult {
  kRenamed,
  kTargetExists,   // another entry has the new name; it is left as it is
  kSourceMissing,  // the folder is gone, or is no longer a folder
  kAccessDenied,
  kInUse,                 // another program holds it open
  kNameTooLong,           // over 255 UTF-16 units (Windows) or 255 bytes (Linux)
  kNameInvalid,           // characters the file system does not allow
  kNameNotRepresentable,  // a name that code page 936 cannot carry exactly
  kFailed,                // any other refusal of the platform
  kFolderUnreadable,      // set by the pass: the folder could not be measured,
                          // so no tag was built and it keeps its name
};

// Renames the folder base_folder + kPathSeparator + old_name to new_name in
// the same folder. Never replaces or merges into an existing entry, whatever
// the platform would do. ("/sets", "Summer", "Summer [1P-1 KB]") → kRenamed.
RenameResult RenameFolder(const GbkText& base_folder, const GbkText& old_name,
                          const GbkText& new_name);

}  // namespace fenmarrow
