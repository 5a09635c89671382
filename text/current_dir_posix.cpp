#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "text/current_dir.h"
#include "text/utf8.h"

namespace fenmarrow {

std::optional<std::u16string> ReadCurrentDirectory() {
  std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0), &std::free);
  if (!path) return std::nullopt;
  return Utf8ToUtf16(path.get());
}

}  // namespace fenmarrow
