// Matching a file name against a wildcard pattern, as the directory search
// does where the platform offers no matching of its own.
#pragma once

#include <string_view>

namespace fenmarrow {

// True when `name` matches `pattern` as a whole. "*" stands for any run of
// characters (none included), "?" for exactly one character (a surrogate pair
// is one character), every other unit for itself with ASCII letter case
// ignored. ("*.jpg", "A.JPG") → true; ("?.png", "ab.png") → false;
// ("*", "") → true; ("", "a") → false.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace fenmarrow
