#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "tagging/size_text.h"

namespace fenmarrow {
namespace {

TEST(SizeText, FormatsByteCounts) {
  static const struct {
    double bytes;
    const char* expected;
  } kCases[] = {
      {-1, "-1 B"},
      {0, "0 B"},
      {1, "1 B"},
      {1023, "1023 B"},
      {1024, "1 KB"},  // a bound takes the larger unit
      {1025, "1 KB"},
      {1030, "1.01 KB"},
      {1152, "1.13 KB"},  // exactly 1.125: half up
      {1536, "1.5 KB"},
      {10240, "10 KB"},
      {1048575, "1024 KB"},
      {1048576, "1 MB"},
      {1048577, "1 MB"},
      {1572864, "1.5 MB"},
      {123456789, "117.74 MB"},
      {987654321, "941.9 MB"},
      {1073741823, "1024 MB"},
      {1073741824, "1 GB"},
      {1073741825, "1 GB"},
      {1342177280, "1.25 GB"},
      {5368709120, "5 GB"},
      {5497558138880, "5120 GB"},
      {9223372036854775807.0, "8589934592 GB"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FormatSizeText(c.bytes), c.expected) << c.bytes;
  }
}

TEST(SizeText, DecimalPointIgnoresTheLocale) {
  // A front-end that calls setlocale would make printf write "1,5".
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german == nullptr) german = std::setlocale(LC_ALL, "German_Germany.1252");
  const std::string with_locale = FormatSizeText(1536);
  char printf_text[16];
  std::snprintf(printf_text, sizeof(printf_text), "%.13g", 1.5);
  std::setlocale(LC_ALL, previous.c_str());
  if (german == nullptr) GTEST_SKIP() << "no German locale on this machine";
  EXPECT_STREQ(printf_text, "1,5") << "the locale did not take effect; the test proves nothing";
  EXPECT_EQ(with_locale, "1.5 KB");
}

}  // namespace
}  // namespace fenmarrow
