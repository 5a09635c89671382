// The platform's view of the current directory.
#pragma once

#include <optional>
#include <string>

namespace fenmarrow {

// The current directory in UTF-16, without a terminating zero unit; nullopt
// when the platform cannot give it (or, on Linux, when its bytes are not
// UTF-8). On Windows a drive root keeps its backslash: u"C:\\".
std::optional<std::u16string> ReadCurrentDirectory();

}  // namespace fenmarrow
