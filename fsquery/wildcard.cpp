#include "fsquery/wildcard.h"

#include <cstddef>
#include <optional>

namespace fenmarrow {
namespace {

char16_t FoldAscii(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The number of units of the character that starts at `at`.
std::size_t CharLength(std::u16string_view text, std::size_t at) {
  if (IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) return 2;
  return 1;
}

// "*" then a literal, as every pattern of the pass is ("*.jpg"): the name
// only has to end with the literal. nullopt for any other pattern.
std::optional<bool> MatchStarThenLiteral(std::u16string_view pattern, std::u16string_view name) {
  if (pattern.empty() || pattern[0] != u'*') return std::nullopt;
  const std::u16string_view literal = pattern.substr(1);
  for (char16_t unit : literal) {
    // A surrogate could meet the name in the middle of a character.
    if (unit == u'*' || unit == u'?' || IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      return std::nullopt;
    }
  }
  if (literal.size() > name.size()) return false;
  const std::u16string_view tail = name.substr(name.size() - literal.size());
  if (!tail.empty() && IsLowSurrogate(tail[0])) return std::nullopt;
  for (std::size_t i = 0; i < literal.size(); ++i) {
    if (FoldAscii(literal[i]) != FoldAscii(tail[i])) return false;
  }
  return true;
}

}  // namespace

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  if (const auto quick = MatchStarThenLiteral(pattern, name)) return *quick;
  // Greedy matching with one backtrack point: the last "*" seen and the name
  // position it was last tried at. Linear memory, no recursion.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::u16string_view::npos;
  std::size_t star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      star_name = n;
    } else if (p < pattern.size() && pattern[p] == u'?') {
      ++p;
      n += CharLength(name, n);
    } else if (p < pattern.size() && FoldAscii(pattern[p]) == FoldAscii(name[n])) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      star_name += CharLength(name, star_name);
      n = star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace fenmarrow
