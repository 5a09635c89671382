#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "text/byte_buffer.h"
#include "text/codepage.h"
#include "text/gbk_text.h"
#include "text/utf8.h"

namespace fenmarrow {
namespace {

// Little-endian UTF-16 bytes of the given units.
WideText Units(std::u16string_view units) { return LittleEndianFromUnits(units); }

// 专辑 [中字] and its parts, written as code page 936 bytes.
const char kZhuanJi[] = "\xD7\xA8\xBC\xAD";                           // 专辑
const char kZhuanJiTagged[] = "\xD7\xA8\xBC\xAD [\xD6\xD0\xD7\xD6]";  // 专辑 [中字]

TEST(ByteBuffer, OperationsKeepTheirBounds) {
  EXPECT_EQ(ZeroBytes(3), ByteBuffer({0, 0, 0}));
  EXPECT_TRUE(ZeroBytes(0).empty());
  EXPECT_TRUE(ZeroBytes(-5).empty());
  const ByteBuffer abc = {'a', 'b', 'c'};
  EXPECT_EQ(LeadingBytes(abc, 2), ByteBuffer({'a', 'b'}));
  EXPECT_EQ(LeadingBytes(abc, 9), abc);
  EXPECT_TRUE(LeadingBytes(abc, 0).empty());
  EXPECT_TRUE(LeadingBytes(abc, -1).empty());
  EXPECT_EQ(ByteCount(abc), 3);
  EXPECT_EQ(ByteCount({}), 0);
  EXPECT_EQ(CopyBytes(abc.data() + 1, 2), ByteBuffer({'b', 'c'}));
  EXPECT_TRUE(CopyBytes(abc.data(), 0).empty());
  EXPECT_EQ(TextBytes("ab"), ByteBuffer({'a', 'b'}));
  EXPECT_EQ(TextFromBytes({'a', 0, 'b'}), "a");
  EXPECT_EQ(TextFromBytes({}), "");
  EXPECT_EQ(JoinBytes({'a'}, {'b', 'c'}), abc);
  EXPECT_TRUE(JoinBytes({}, {}).empty());
}

TEST(GbkText, WideConversionsStopAtTheFirstZero) {
  EXPECT_EQ(WideToGbk(Units(u"AB\0C")), "AB");
  EXPECT_EQ(WideToGbk(Units(u"\x4E13\x8F91")), kZhuanJi);
  EXPECT_EQ(WideToGbk({}), "");
  // An odd trailing byte is completed by the zero unit added to end the text.
  EXPECT_EQ(WideToGbk({'A', 0, 'B'}), "AB");

  EXPECT_EQ(GbkToWide({'A', 'B'}), Units(std::u16string_view(u"AB\0", 3)));
  EXPECT_EQ(GbkToWide({'A', 0, 'B'}), Units(std::u16string_view(u"A\0", 2)));
  EXPECT_TRUE(GbkToWide({}).empty());
  EXPECT_TRUE(GbkToWide({0, 'A'}).empty());
}

TEST(GbkText, CutAtWideNul) {
  static const struct {
    WideText input;
    bool append;
    WideText expected;
  } kCases[] = {
      {Units(std::u16string_view(u"AB\0C", 4)), false, Units(u"AB")},
      {Units(std::u16string_view(u"AB\0C", 4)), true, Units(std::u16string_view(u"AB\0", 3))},
      {Units(std::u16string_view(u"\0AB", 3)), false, {}},
      {{'A'}, false, {}},
      {{}, true, {}},
      {{'A', 0, 'B', 0, 'C'}, false, {'A', 0, 'B', 0}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(CutAtWideNul(c.input, c.append), c.expected);
  }
  EXPECT_EQ(GbkTextToWide("AB", true), Units(u"AB"));
  EXPECT_EQ(GbkTextToWide("AB", false), Units(std::u16string_view(u"AB\0", 3)));
}

TEST(GbkText, RemoveLastCharsCountsUtf16Units) {
  static const struct {
    GbkText text;
    std::int32_t n;
    GbkText expected;
  } kCases[] = {
      {"Summer ", 1, "Summer"},
      {kZhuanJiTagged, 4, std::string(kZhuanJi) + " "},
      {kZhuanJiTagged, 5, kZhuanJi},
      {"Summer", 0, "Summer"},
      {"Summer", -2, "Summer"},
      {"Summer", 6, ""},
      {"Summer", 9, ""},
      {"Summer", 2147483647, ""},
      {"Summer", -2147483647 - 1, "Summer"},
      {"", 1, ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(RemoveLastChars(c.text, c.n), c.expected) << c.text << " n=" << c.n;
  }
}

TEST(Codepage, ExactConversionTellsWhatCodePage936CannotHold) {
  static const struct {
    std::u16string units;
    const char* gbk;  // nullptr: not representable
  } kCases[] = {
      {u"Summer", "Summer"},
      {u"\x4E13\x8F91", kZhuanJi},            // 专辑
      {u"\x89C6\x9891", "\xCA\xD3\xC6\xB5"},  // 视频
      {u"\x20AC", "\x80"},                    // €, a single byte in this code page
      {u"\xD55C", nullptr},                   // Hangul 한
      {u"\xD83D\xDE00", nullptr},             // an emoji
      {u"\xD800", nullptr},                   // a lone surrogate
  };
  for (const auto& c : kCases) {
    const auto narrow = Utf16ToCp936(c.units, Conversion::kExact);
    if (c.gbk == nullptr) {
      EXPECT_FALSE(narrow.has_value());
      const auto lenient = Utf16ToCp936(c.units, Conversion::kLenient);
      ASSERT_TRUE(lenient.has_value());
      EXPECT_NE(lenient->find('?'), std::string::npos);
    } else {
      ASSERT_TRUE(narrow.has_value());
      EXPECT_EQ(*narrow, c.gbk);
      EXPECT_EQ(Cp936ToUtf16(c.gbk, Conversion::kExact), c.units);
    }
  }
  // Bytes that are no code page 936 text: a lead byte cut off, or an
  // undefined pair.
  for (const char* bytes : {"A\x81", "\xFF\xFF"}) {
    EXPECT_FALSE(Cp936ToUtf16(bytes, Conversion::kExact).has_value()) << bytes;
    EXPECT_TRUE(Cp936ToUtf16(bytes, Conversion::kLenient).has_value()) << bytes;
  }
}

TEST(Codepage, EveryDoubleByteCharacterRoundTrips) {
  int valid = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string bytes = {static_cast<char>(lead), static_cast<char>(trail)};
      const auto wide = Cp936ToUtf16(bytes, Conversion::kExact);
      if (!wide) continue;
      ++valid;
      ASSERT_EQ(wide->size(), 1u) << std::hex << lead << trail;
      ASSERT_EQ(Utf16ToCp936(*wide, Conversion::kExact), bytes) << std::hex << lead << trail;
    }
  }
  // GBK defines about 21800 characters; the user-defined areas vary by
  // platform.
  EXPECT_GT(valid, 21700);
}

TEST(Utf8, StrictInBothDirections) {
  static const struct {
    std::string utf8;
    std::u16string units;
    bool valid;
  } kCases[] = {
      {"abc", u"abc", true},
      {"\xE4\xB8\x93", u"\x4E13", true},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00", true},
      {"\xC0\xAF", u"", false},      // overlong '/'
      {"\xED\xA0\x80", u"", false},  // an encoded surrogate
      {"\xE4\xB8", u"", false},      // cut short
      {"\xFF", u"", false},
      {"\xF4\x90\x80\x80", u"", false},  // above U+10FFFF
  };
  for (const auto& c : kCases) {
    const auto units = Utf8ToUtf16(c.utf8);
    EXPECT_EQ(units.has_value(), c.valid) << c.utf8;
    if (c.valid) {
      EXPECT_EQ(*units, c.units);
      EXPECT_EQ(Utf16ToUtf8(c.units), c.utf8);
    }
  }
  EXPECT_FALSE(Utf16ToUtf8(u"\xDC00").has_value());
  EXPECT_FALSE(Utf16ToUtf8(u"a\xD800").has_value());
}

TEST(GbkText, CurrentDirectoryIsReadInCodePage936) {
  namespace fs = std::filesystem;
  const fs::path previous = fs::current_path();
  const fs::path folder = fs::temp_directory_path() / u8"fenmarrow-text-\u7167\u7247";  // 照片
  fs::create_directories(folder);
  fs::current_path(folder);
  const GbkText text = GetCurrentDirectoryText();
  const auto exact = GetCurrentDirectoryTextExact();
  fs::current_path(previous);
  std::error_code ignored;
  fs::remove_all(folder, ignored);

  const std::string tail = "fenmarrow-text-\xD5\xD5\xC6\xAC";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  ASSERT_TRUE(exact.has_value());
  EXPECT_EQ(*exact, text);
}

TEST(GbkText, CurrentDirectoryThatCodePage936CannotHoldIsNotGuessed) {
  namespace fs = std::filesystem;
  const fs::path previous = fs::current_path();
  const fs::path folder = fs::temp_directory_path() / u8"fenmarrow-text-\uD55C";  // 한
  fs::create_directories(folder);
  fs::current_path(folder);
  const auto exact = GetCurrentDirectoryTextExact();
  const GbkText lenient = GetCurrentDirectoryText();
  fs::current_path(previous);
  std::error_code ignored;
  fs::remove_all(folder, ignored);

  EXPECT_FALSE(exact.has_value());
  EXPECT_EQ(lenient.back(), '?');
}

}  // namespace
}  // namespace fenmarrow
