#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tagging/tag_rule.h"
#include "text/gbk_text.h"

namespace fenmarrow {
namespace {

TEST(TagRule, BuildsTheTaggedName) {
  static const struct {
    const char* name;  // UTF-8 here, code page 936 inside the program
    std::int32_t pictures;
    std::int32_t videos;
    const char* size;
    const char* expected;
  } kCases[] = {
      {"Summer", 120, 3, "1.25 GB", "Summer [120P-3V 1.25 GB]"},
      {"Summer [120P-3V 1.25 GB]", 118, 3, "1.21 GB", "Summer [118P-3V 1.21 GB]"},
      {"Name", 0, 3, "1.25 GB", "Name [3V 1.25 GB]"},
      {"Name", 120, 0, "1.25 GB", "Name [120P-1.25 GB]"},
      {"Name", 0, 0, "1.25 GB", "Name [1.25 GB]"},
      {"Trip [old]", 40, 0, "2.5 MB", "Trip [40P-2.5 MB]"},
      {"Trip [old] [40P-2.5 MB]", 41, 0, "2.61 MB", "Trip [old] [41P-2.61 MB]"},
      {"Name (x)", 0, 0, "512 B", "Name (x) [512 B]"},
      {"A [b] [c", 1, 1, "1 KB", "A [b] [c [1P-1V 1 KB]"},
      {"A [b [c]]", 1, 1, "1 KB", "A [b [1P-1V 1 KB]"},
      {"A [b [tag]", 1, 0, "1 KB", "A [1P-1 KB]"},
      {"Name   ", 5, 0, "3 KB", "Name [5P-3 KB]"},
      {"[12P-3V 1.5 GB]", 12, 3, "1.5 GB", " [12P-3V 1.5 GB]"},
      {"专辑 [中字]", 3, 0, "1 MB", "专辑 [3P-1 MB]"},
      {"专辑 [12P-1 MB]", 3, 0, "1 MB", "专辑 [3P-1 MB]"},
      {"", 1, 0, "1 KB", " [1P-1 KB]"},
      {"   ", 0, 0, "0 B", " [0 B]"},
      {"Failed [-1 B]", 0, 0, "2 KB", "Failed [2 KB]"},
      // More "]" than "[": the last real "[" opens what is cut.
      {"A ] B [tag]", 1, 0, "1 KB", "A ] B [1P-1 KB]"},
      {"] only]", 1, 0, "1 KB", "] only] [1P-1 KB]"},
      // An earlier tag after an unbalanced name is refreshed, nothing more.
      {"A [b [5P-1 KB]", 6, 0, "1 KB", "A [b [6P-1 KB]"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(BuildTaggedName(GbkFromUtf8(c.name), c.pictures, c.videos, c.size),
              GbkFromUtf8(c.expected))
        << c.name;
  }
}

TEST(TagRule, BracketBytesInsideDoubleByteCharactersAreNotBrackets) {
  // 乚 is 0x81 0x5D: its second byte is "]" but belongs to the character.
  const GbkText kYi = "\x81\x5D";
  EXPECT_EQ(BuildTaggedName(kYi + " [5P-1 KB]", 6, 0, "1 KB"), kYi + " [6P-1 KB]");
  // The name ends in that byte and holds no bracket at all: nothing is cut.
  EXPECT_EQ(BuildTaggedName("A" + kYi, 1, 0, "1 KB"), "A" + kYi + " [1P-1 KB]");
  // 0x81 0x5B hides a "[" the same way.
  EXPECT_EQ(FindAllPositions("x\x81\x5B[", "["), std::vector<std::int32_t>({4}));
}

TEST(TagRule, SearchesStepOverDoubleByteCharacters) {
  EXPECT_EQ(FindText("a[b[", "[", std::nullopt, false), 2);
  EXPECT_EQ(FindText("a[b[", "[", 3, false), 4);
  EXPECT_EQ(FindText("a[b[", "[", 5, false), -1);
  EXPECT_EQ(FindText("a[b[", "[", -7, false), 2);
  EXPECT_EQ(FindText("abc", "", std::nullopt, false), 1);
  EXPECT_EQ(FindText("", "", std::nullopt, false), -1);
  EXPECT_EQ(FindText("xAbC", "abc", std::nullopt, true), 2);
  EXPECT_EQ(FindText("xAbC", "abc", std::nullopt, false), -1);
  // A lead byte at the very end ends the search.
  EXPECT_EQ(FindText("ab\x81", "z", std::nullopt, false), -1);
  EXPECT_EQ(CountOccurrences("a]b]", "]", false), 2);
  EXPECT_EQ(CountOccurrences("", "]", false), 0);
  EXPECT_EQ(CountOccurrences("aaaa", "aa", true), 2);
  EXPECT_EQ(CountOccurrences("abc", "", true), 0);
  EXPECT_EQ(FindAllPositions("Trip [old] [40P-2.5 MB]", "["), std::vector<std::int32_t>({6, 12}));
  EXPECT_EQ(FindAllPositions("A [b [c]]", "["), std::vector<std::int32_t>({3, 6}));
}

// Random names built from the characters that matter to the rule: brackets,
// spaces, digits, tag-like pieces and double-byte characters whose second
// byte is a bracket.
GbkText RandomName(std::mt19937& rng) {
  static const char* const kPieces[] = {
      "[",  "]",        " ",        "a",        "Z",         "1",     "P-",  "V ",   " KB",
      " B", "\x81\x5D", "\x81\x5B", "\xD7\xA8", "[3P-1 KB]", "[0 B]", "(x)", "\x80", ".5",
  };
  std::uniform_int_distribution<int> length(0, 10);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
  GbkText name;
  for (int i = length(rng); i > 0; --i) name += kPieces[pick(rng)];
  return name;
}

TEST(TagRule, IsIdempotentAndKeepsWhatComesBeforeTheCut) {
  std::mt19937 rng(20261211);
  static const char* const kSizes[] = {"1 KB", "0 B", "-1 B", "117.74 MB", "5120 GB"};
  for (int i = 0; i < 20000; ++i) {
    const GbkText name = RandomName(rng);
    const std::int32_t pictures = static_cast<std::int32_t>(rng() % 3) * 7;
    const std::int32_t videos = static_cast<std::int32_t>(rng() % 2) * 3;
    const GbkText size = kSizes[rng() % std::size(kSizes)];
    const GbkText once = BuildTaggedName(name, pictures, videos, size);
    ASSERT_EQ(BuildTaggedName(once, pictures, videos, size), once) << name;
    ASSERT_EQ(once.back(), ']') << name;
    // What stays of the old name is a prefix of it.
    const std::size_t kept = once.rfind(" [");
    ASSERT_NE(kept, GbkText::npos);
    ASSERT_EQ(name.compare(0, kept, once, 0, kept), 0) << name;
    // A refresh with other numbers changes only the tag.
    const GbkText refreshed = BuildTaggedName(once, pictures + 1, videos, size);
    ASSERT_EQ(refreshed.substr(0, kept), once.substr(0, kept)) << name;
  }
}

}  // namespace
}  // namespace fenmarrow
