// The folder statistics with the road that gave them, and the scripting
// object to ask named by the caller, so that the fallback can be seen at work.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/byte_buffer.h"

namespace fenmarrow {

// The ProgID of the platform's scripting file-system object.
inline constexpr std::u16string_view kFileSystemObjectProgId = u"Scripting.FileSystemObject";

enum class StatSource {
  kScriptingObject,  // the object answered
  kNativeWalk,       // the object was missing or failed; the folder was read directly
  kNone,             // neither could open the folder
};

template <typename T>
struct StatAnswer {
  T value = 0;
  StatSource source = StatSource::kNone;
};

// GetSubfolderCount with the object created from `prog_id` (Windows; Linux
// has no such object and always walks). (folder with 3 subfolders,
// u"Fenmarrow.NoSuchObject") → {3, kNativeWalk}. A folder that cannot be
// opened → {0, kNone}, or {-1, kNone} when, in addition, the object could not
// be created.
StatAnswer<std::int32_t> QuerySubfolderCount(const GbkText& folder, std::u16string_view prog_id);

// GetFolderSize likewise. Under Wine, whose object cannot give Size,
// (folder of 1234 bytes, kFileSystemObjectProgId) → {1234, kNativeWalk}.
StatAnswer<std::int64_t> QueryFolderSize(const GbkText& folder, std::u16string_view prog_id);

}  // namespace fenmarrow
