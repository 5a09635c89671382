// The tag rule and the byte searches under it, on arbitrary names, counts
// and size texts. Besides crashes it checks what renaming relies on: a
// second pass leaves the name as it is, the name ends with its tag, and the
// user's part of the name is kept byte for byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tagging/size_text.h"
#include "tagging/tag_rule.h"

#include "fuzz/fuzz_check.h"

namespace fenmarrow {
namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  char piece[4];
  for (unsigned char c : bytes) {
    std::snprintf(piece, sizeof piece, "%02X ", c);
    out += piece;
  }
  return out;
}

bool SameByte(unsigned char a, unsigned char b, bool ignore_case) {
  if (a == b) return true;
  auto letter = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return ignore_case && letter(a) && letter(b) && (a | 0x20) == (b | 0x20);
}

bool MatchesAt(const std::string& text, const std::string& pattern, std::size_t at,
               bool ignore_case) {
  if (at + pattern.size() > text.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (!SameByte(text[at + i], pattern[i], ignore_case)) return false;
  }
  return true;
}

// The 0-based offsets where a character begins, stepping from `from`: a byte
// of 0x80 or above takes the next byte with it.
std::vector<std::size_t> Boundaries(const std::string& text, std::size_t from) {
  std::vector<std::size_t> out;
  for (std::size_t q = from; q < text.size();) {
    out.push_back(q);
    q += static_cast<unsigned char>(text[q]) >= 0x80 ? 2 : 1;
  }
  return out;
}

void CheckSearches(const std::string& text, const std::string& pattern, std::int32_t start,
                   bool ignore_case) {
  const std::int32_t found = FindText(text, pattern, start, ignore_case);
  const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (pattern.empty()) {
    Check(found == (from < text.size() ? 1 : -1), "FindText with an empty pattern");
    return;
  }
  // The first boundary from `from` on where the pattern matches, if any.
  std::int32_t expected = -1;
  for (std::size_t q : Boundaries(text, from)) {
    if (MatchesAt(text, pattern, q, ignore_case)) {
      expected = static_cast<std::int32_t>(q + 1);
      break;
    }
  }
  Check(found == expected, "FindText answers the first match at a character boundary",
        Hex(text) + "| " + Hex(pattern) + "start " + std::to_string(start) + " got " +
            std::to_string(found) + " expected " + std::to_string(expected));

  const std::vector<std::int32_t> all = FindAllPositions(text, pattern);
  Check(CountOccurrences(text, pattern, false) == static_cast<std::int32_t>(all.size()),
        "CountOccurrences agrees with FindAllPositions");
  for (std::size_t i = 0; i < all.size(); ++i) {
    Check(all[i] >= 1 && MatchesAt(text, pattern, all[i] - 1, true),
          "FindAllPositions answers real matches");
    Check(i == 0 || all[i] >= all[i - 1] + static_cast<std::int32_t>(pattern.size()),
          "FindAllPositions answers non-overlapping matches in order");
  }
  const std::int32_t exact = CountOccurrences(text, pattern, true);
  Check(exact >= 0 && exact <= static_cast<std::int32_t>(text.size()),
        "CountOccurrences stays in range");
}

std::string SizeText(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      return FormatSizeText(
          static_cast<double>(in.ConsumeIntegralInRange<std::int64_t>(-1, INT64_MAX)));
    case 1:
      return FormatSizeText(in.ConsumeFloatingPoint<double>());
    default: {
      // Any other ASCII text without brackets and NULs.
      std::string text = in.ConsumeRandomLengthString(12);
      std::string clean;
      for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '[' && c != ']') clean += static_cast<char>(c);
      }
      return clean;
    }
  }
}

}  // namespace
}  // namespace fenmarrow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fenmarrow;
  FuzzedDataProvider in(data, size);
  const std::int32_t pictures = in.ConsumeIntegral<std::int32_t>();
  const std::int32_t videos = in.ConsumeIntegral<std::int32_t>();
  const std::string size_text = SizeText(in);
  const std::string pattern = in.ConsumeRandomLengthString(8);
  const std::int32_t start = in.ConsumeIntegralInRange<std::int32_t>(-2, 80);
  const bool ignore_case = in.ConsumeBool();
  std::string name = in.ConsumeRemainingBytesAsString();
  // A name on disk never holds a zero byte.
  name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());

  CheckSearches(name, pattern, start, ignore_case);

  const std::string tagged = BuildTaggedName(name, pictures, videos, size_text);
  std::string group = "[";
  if (pictures != 0) group += std::to_string(pictures) + "P-";
  if (videos != 0) group += std::to_string(videos) + "V ";
  group += size_text + "]";
  const std::string tail = " " + group;
  const std::string detail = "name " + Hex(name) + "\ntagged " + Hex(tagged);
  Check(!tagged.empty() && tagged.back() == ']', "the new name ends with ']'", detail);
  Check(tagged.size() >= tail.size() &&
            tagged.compare(tagged.size() - tail.size(), tail.size(), tail) == 0,
        "the new name ends with \" \" and its tag", detail);
  const std::string kept = tagged.substr(0, tagged.size() - tail.size());
  Check(name.compare(0, kept.size(), kept) == 0, "every byte before the cut is kept", detail);
  Check(kept.empty() || kept.back() != ' ', "no trailing space before the tag", detail);
  // What went is trailing spaces and, at most, a bracket group that ends the
  // name.
  const std::string dropped = name.substr(kept.size());
  const std::size_t first = dropped.find_first_not_of(' ');
  Check(first == std::string::npos || (dropped[first] == '[' && name.back() == ']'),
        "only spaces and an ending bracket group are dropped", detail);

  const std::string again = BuildTaggedName(tagged, pictures, videos, size_text);
  Check(again == tagged, "the tag rule is idempotent", detail + "\nagain  " + Hex(again));
  return 0;
}
