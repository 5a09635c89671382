#include "fsquery/dir_search.h"

#include <utility>

#include "text/codepage.h"

namespace fenmarrow {

DirEntry DirEntryFromUtf16(std::u16string_view units, bool valid_on_disk) {
  DirEntry entry;
  if (valid_on_disk) {
    if (auto exact = Utf16ToCp936(units, Conversion::kExact)) {
      entry.name = *std::move(exact);
      return entry;
    }
  }
  entry.representable = false;
  auto lenient = Utf16ToCp936(units, Conversion::kLenient);
  if (lenient && !lenient->empty()) {
    entry.name = *std::move(lenient);
  } else {
    entry.name.assign(1, '?');
  }
  return entry;
}

}  // namespace fenmarrow
