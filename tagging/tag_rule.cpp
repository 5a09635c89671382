#include "tagging/tag_rule.h"

#include <string>
#include <string_view>

namespace fenmarrow {
namespace {

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool BytesEqual(unsigned char a, unsigned char b, bool ignore_case) {
  if (a == b) return true;
  return ignore_case && IsAsciiLetter(a) && IsAsciiLetter(b) && (a | 0x20) == (b | 0x20);
}

// The bracketed part of the tag for these statistics: "[120P-3V 1.25 GB]".
GbkText TagGroup(std::int32_t picture_count, std::int32_t video_count, const GbkText& size_text) {
  GbkText group = "[";
  if (picture_count != 0) group += std::to_string(picture_count) + "P-";
  if (video_count != 0) group += std::to_string(video_count) + "V ";
  group += size_text;
  group += ']';
  return group;
}

// Consumes an optional '-' and at least one digit from the front of `s`.
bool TakeInteger(std::string_view& s) {
  std::size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
  const std::size_t first_digit = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  if (i == first_digit) return false;
  s.remove_prefix(i);
  return true;
}

// Consumes `prefix` when `s` starts with it.
bool TakeText(std::string_view& s, std::string_view prefix) {
  if (s.substr(0, prefix.size()) != prefix) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// True for a group shaped like the tags this program writes, whatever the
// numbers in it: "[120P-3V 1.25 GB]", "[3V 1 KB]", "[-1 B]".
bool IsOwnTagShape(std::string_view group) {
  if (!TakeText(group, "[")) return false;
  std::string_view rest = group;
  if (TakeInteger(rest) && TakeText(rest, "P-")) group = rest;
  rest = group;
  if (TakeInteger(rest) && TakeText(rest, "V ")) group = rest;
  if (!TakeInteger(group)) return false;
  if (TakeText(group, ".") && !TakeInteger(group)) return false;
  return group == " B]" || group == " KB]" || group == " MB]" || group == " GB]";
}

// The 1-based position from which the old tag is cut, or 0 for no cut.
std::int32_t CutPosition(const GbkText& name, const GbkText& new_group) {
  if (name.empty() || name.back() != ']') return 0;
  const std::vector<std::int32_t> positions = FindAllPositions(name, "[");
  if (positions.empty()) return 0;
  const std::int32_t last = positions.back();
  // A tag this program wrote is always the last group. Recognising it first
  // keeps a refresh from eating into an unbalanced name before it: the k-th
  // bracket rule below would turn "A [b] [c [1 KB]" into "A [b] [1 KB]".
  const std::string_view last_group = std::string_view(name).substr(last - 1);
  if (last_group == new_group || IsOwnTagShape(last_group)) return last;
  // Any other group that ends the name: with k closing brackets, the k-th
  // opening one opens the last balanced group ("A [b [c]]" cuts at 3).
  const std::int32_t k = CountOccurrences(name, "]", /*case_sensitive=*/false);
  if (k >= 1 && static_cast<std::size_t>(k) <= positions.size()) return positions[k - 1];
  // More "]" than "[" ("A ] B [tag]"), or a last 0x5D that is the second
  // byte of a character: the last real "[" is the best guess.
  return last;
}

}  // namespace

std::int32_t FindText(const GbkText& text, const GbkText& pattern,
                      std::optional<std::int32_t> start, bool ignore_case) {
  const std::int64_t n = static_cast<std::int64_t>(text.size());
  const std::int64_t m = static_cast<std::int64_t>(pattern.size());
  std::int64_t q = 0;
  if (start) q = *start - std::int64_t{1} < 0 ? 0 : *start - std::int64_t{1};
  if (q >= n) return -1;
  if (m == 0) return 1;
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
  while (n - q >= m) {
    std::int64_t i = 0;
    while (i < m && BytesEqual(t[q + i], p[i], ignore_case)) ++i;
    if (i == m) return static_cast<std::int32_t>(q + 1);
    if (t[q] >= 0x80) {
      if (q + 1 >= n) return -1;
      q += 2;
    } else {
      q += 1;
    }
  }
  return -1;
}

std::int32_t CountOccurrences(const GbkText& text, const GbkText& pattern, bool case_sensitive) {
  if (text.empty() || pattern.empty()) return 0;
  const bool ignore = !case_sensitive;
  const auto step = static_cast<std::int32_t>(pattern.size());
  std::int32_t count = 0;
  for (std::int32_t p = FindText(text, pattern, std::nullopt, ignore); p != -1;
       p = FindText(text, pattern, p + step, ignore)) {
    ++count;
  }
  return count;
}

std::vector<std::int32_t> FindAllPositions(const GbkText& text, const GbkText& pattern) {
  std::vector<std::int32_t> positions;
  if (pattern.empty()) return positions;  // would match at 1 forever
  const auto step = static_cast<std::int32_t>(pattern.size());
  for (std::int32_t p = FindText(text, pattern, std::nullopt, true); p != -1;
       p = FindText(text, pattern, p + step, true)) {
    positions.push_back(p);
  }
  return positions;
}

GbkText BuildTaggedName(const GbkText& entry_name, std::int32_t picture_count,
                        std::int32_t video_count, const GbkText& size_text) {
  const GbkText group = TagGroup(picture_count, video_count, size_text);
  GbkText name = entry_name;
  // The cut keeps exactly the bytes before the chosen bracket. Going through
  // UTF-16 to drop the tail would give the same bytes for valid text, but
  // would garble bytes that code page 936 does not define.
  if (const std::int32_t cut = CutPosition(name, group); cut > 0) name.resize(cut - 1);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  name += ' ';
  name += group;
  return name;
}

}  // namespace fenmarrow
