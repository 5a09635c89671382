#include <windows.h>

#include "text/current_dir.h"

namespace fenmarrow {

std::optional<std::u16string> ReadCurrentDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return std::nullopt;
  std::u16string units(size, u'\0');
  const DWORD written = GetCurrentDirectoryW(size, reinterpret_cast<wchar_t*>(units.data()));
  if (written == 0 || written >= size) return std::nullopt;
  units.resize(written);
  return units;
}

}  // namespace fenmarrow
