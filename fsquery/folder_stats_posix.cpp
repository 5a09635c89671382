#include "fsquery/folder_stats.h"
#include "fsquery/folder_stats_query.h"
#include "fsquery/tree_walk.h"

namespace fenmarrow {

// There is no scripting object here: the native walk is the one road.

StatAnswer<std::int32_t> QuerySubfolderCount(const GbkText& folder, std::u16string_view) {
  const auto count = WalkSubfolderCount(folder);
  if (!count) return {0, StatSource::kNone};
  return {*count, StatSource::kNativeWalk};
}

StatAnswer<std::int64_t> QueryFolderSize(const GbkText& folder, std::u16string_view) {
  const auto size = WalkFolderSize(folder);
  if (!size) return {0, StatSource::kNone};
  return {*size, StatSource::kNativeWalk};
}

std::int32_t GetSubfolderCount(const GbkText& folder) {
  return QuerySubfolderCount(folder, kFileSystemObjectProgId).value;
}

std::int64_t GetFolderSize(const GbkText& folder) {
  return QueryFolderSize(folder, kFileSystemObjectProgId).value;
}

}  // namespace fenmarrow
