// The wildcard matcher and the split of a pattern list, on arbitrary input.
// Both decide which files count as pictures and videos.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fsquery/pattern_count.h"
#include "fsquery/wildcard.h"
#include "text/byte_buffer.h"

#include "fuzz/fuzz_check.h"

namespace fenmarrow {
namespace {

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// One '?' per character of `name`, a surrogate pair being one character.
std::u16string QuestionMarksFor(const std::u16string& name) {
  std::u16string marks;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (IsHigh(name[i]) && i + 1 < name.size() && IsLow(name[i + 1])) ++i;
    marks += u'?';
  }
  return marks;
}

std::u16string SwapAsciiCase(std::u16string text) {
  for (char16_t& u : text) {
    if (u >= u'a' && u <= u'z') {
      u = static_cast<char16_t>(u - 32);
    } else if (u >= u'A' && u <= u'Z') {
      u = static_cast<char16_t>(u + 32);
    }
  }
  return text;
}

std::u16string LowerAscii(std::u16string text) {
  for (char16_t& u : text) {
    if (u >= u'A' && u <= u'Z') u = static_cast<char16_t>(u + 32);
  }
  return text;
}

void CheckWildcard(const std::u16string& pattern, const std::u16string& name) {
  const bool matched = WildcardMatch(pattern, name);
  Check(WildcardMatch(u"*", name), "\"*\" matches every name");
  Check(WildcardMatch(u"**", name), "\"**\" matches every name");
  Check(WildcardMatch(QuestionMarksFor(name), name), "one '?' per character matches");
  Check(!WildcardMatch(QuestionMarksFor(name) + u"?", name), "one '?' too many fails");
  if (name.find_first_of(u"*?") == std::u16string::npos) {
    Check(WildcardMatch(name, name), "a name without wildcards matches itself");
    Check(WildcardMatch(SwapAsciiCase(name), name), "ASCII letter case is ignored");
    Check(WildcardMatch(u"*" + name, name) && WildcardMatch(name + u"*", name),
          "a star at either end takes nothing");
  }
  if (matched) {
    Check(WildcardMatch(u"*" + pattern, name), "a leading star keeps a match");
    Check(WildcardMatch(pattern + u"*", name), "a trailing star keeps a match");
    Check(WildcardMatch(u"*" + pattern, u"x" + name), "a leading star takes a prefix");
  }
  if (pattern.find_first_of(u"*?") == std::u16string::npos) {
    Check(matched == (LowerAscii(pattern) == LowerAscii(name)),
          "a pattern without wildcards matches only itself, any ASCII case");
  }
  if (pattern.empty()) Check(matched == name.empty(), "the empty pattern matches only \"\"");
}

void CheckSplit(const std::string& list) {
  const std::vector<GbkText> pieces = SplitPatternList(list);
  const std::string text = list.substr(0, list.find('\0'));
  // Where characters begin: a byte of 0x80 or above takes the next one along.
  std::vector<bool> begins(text.size(), false);
  for (std::size_t i = 0; i < text.size();) {
    begins[i] = true;
    i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
  }
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += '|';
    joined += pieces[i];
  }
  std::string expected = text;
  if (!expected.empty() && expected.back() == '|' && begins[expected.size() - 1]) {
    expected.pop_back();
  }
  Check(joined == expected, "the pieces joined with '|' give the list back");
  // No piece holds a separator: inside a piece, a '|' can only be a trail byte.
  std::size_t at = 0;
  for (const GbkText& piece : pieces) {
    for (std::size_t i = 0; i < piece.size(); ++i) {
      Check(piece[i] != '|' || !begins[at + i], "a piece holds no separator");
    }
    at += piece.size() + 1;
  }
}

}  // namespace
}  // namespace fenmarrow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fenmarrow;
  FuzzedDataProvider in(data, size);
  const std::string pattern_bytes = in.ConsumeRandomLengthString(64);
  const std::string name_bytes = in.ConsumeRandomLengthString(128);
  const std::string list = in.ConsumeRemainingBytesAsString();
  CheckWildcard(UnitsFromLittleEndian(pattern_bytes), UnitsFromLittleEndian(name_bytes));
  // ASCII patterns and names too, where "*", "?" and letters meet often.
  std::u16string ascii_pattern(pattern_bytes.begin(), pattern_bytes.end());
  std::u16string ascii_name(name_bytes.begin(), name_bytes.end());
  CheckWildcard(ascii_pattern, ascii_name);
  CheckSplit(list);
  return 0;
}
