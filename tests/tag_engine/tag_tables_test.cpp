#include "tag_engine/tag_tables.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace std::string_literals;

namespace {

TEST(TagTablesTest, TablesHoldTheirEntriesInOrder) {
  EXPECT_EQ(KnownFrameIds.front(), "AENC");
  EXPECT_EQ(KnownFrameIds[14], "PRIV");
  EXPECT_EQ(KnownFrameIds[15], "PCNT");
  EXPECT_EQ(KnownFrameIds[60], "TYER");
  EXPECT_EQ(KnownFrameIds.back(), "WXXX");
  for (std::string_view id : KnownFrameIds) EXPECT_EQ(id.size(), 4u) << id;

  EXPECT_EQ(GenreNames[0], "Blues");
  EXPECT_EQ(GenreNames[17], "Rock");
  EXPECT_EQ(GenreNames[60], "Top 40");
  EXPECT_EQ(GenreNames[99], "Acoustic");
  EXPECT_EQ(GenreNames[123], "Acapella");
  EXPECT_EQ(GenreNames[125], "DanceHall");
}

TEST(TagTablesTest, KnownFrameIdIsExactAndCaseSensitive) {
  struct Case {
    std::string id;
    bool known;
  };
  const Case cases[] = {
      {"TIT2", true},  {"WXXX", true},  {"AENC", true},        {"APIC", true},     {"tit2", false},
      {"\0\0\0\0"s, false}, {"TIT", false}, {"TIT2 ", false},  {"", false},       {"TIT2\0"s, false},
      {"XYZW", false}, {"TDRC", false},  // a v2.4-only id
  };
  for (const Case& c : cases) EXPECT_EQ(IsKnownFrameId(c.id), c.known) << c.id;
}

TEST(TagTablesTest, ResolveGenreTurnsOnlyWholeReferencesIntoNames) {
  struct Case {
    std::string value;
    std::string expected;
  };
  const Case cases[] = {
      {"(0)", "Blues"},
      {"(125)", "DanceHall"},
      {"(60)", "Top 40"},
      {"( 17)", "Rock"},
      {"(   17)", "Rock"},
      {"(+17)", "Rock"},
      {"(-0)", "Blues"},
      {"($11)", "Rock"},
      {"(x11)", "Rock"},
      {"(X11)", "Rock"},
      {"(0x11)", "Rock"},
      {"(0X7d)", "DanceHall"},
      {"(017)", "Rock"},
      {"\0(17)\0"s, "Rock"},
      {"(1\0" "7)"s, "Rock"},
      // Left as they are.
      {"(126)", "(126)"},
      {"(-1)", "(-1)"},
      {"()", "()"},
      {"(17 )", "(17 )"},
      {"(17)Rock", "(17)Rock"},
      {"17", "17"},
      {"Rock", "Rock"},
      {"", ""},
      {"(", "("},
      {")", ")"},
      {"(0x)", "(0x)"},
      {"($)", "($)"},
      {"(+)", "(+)"},
      {"(1 7)", "(1 7)"},
      {"(--1)", "(--1)"},
      {"(4294967313)", "(4294967313)"},  // 2^32 + 17 must not wrap to 17
      {"(0x100000011)", "(0x100000011)"},
      {"(99999999999999999999)", "(99999999999999999999)"},
      {"\0(126)"s, "\0(126)"s},  // unchanged keeps its NUL
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveGenre(c.value), c.expected) << c.value;
}

TEST(TagTablesTest, ReplaceAllSearchesAgainFromTheStart) {
  struct Case {
    std::string source, search, replacement, expected;
  };
  const Case cases[] = {
      {"aabb", "ab", "", ""},
      {"aaabbb", "ab", "", ""},
      {"xaabby", "ab", "", "xy"},
      {"aaa", "aa", "", "a"},
      {"a\0b\0\0c"s, "\0"s, "", "abc"},
      {"\0\0\0"s, "\0"s, "", ""},
      {"abc", "", "x", "abc"},
      {"abc", "d", "", "abc"},
      {"", "a", "", ""},
      {"a-b-c", "-", "+", "a+b+c"},
      {"abab", "ab", "c", "cc"},
      {"aXbXc", "X", "YY", "aYYbYYc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.source, c.search, c.replacement), c.expected) << c.source << " / " << c.search;
  }
}

TEST(TagTablesTest, ExtractBaseNameTakesTheLastComponent) {
  struct Case {
    std::string path;
    std::string without, with;
  };
  const Case cases[] = {
      {"/music/Album/01 Intro.mp3", "01 Intro", "01 Intro.mp3"},
      {"a.tar.gz", "a.tar", "a.tar.gz"},
      {"/music/README", "README", "README"},
      {"/music/.hidden", "", ".hidden"},
      {"/music.d/track", "track", "track"},
      {"/music/", "", ""},
      {"", "", ""},
      {"C:\\Music\\x.mp3", "C:\\Music\\x", "C:\\Music\\x.mp3"},  // no delimiter on this system
      {"/a/b:c.mp3", "b:c", "b:c.mp3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractBaseName(c.path, false), c.without) << c.path;
    EXPECT_EQ(ExtractBaseName(c.path, true), c.with) << c.path;
  }
}

TEST(TagTablesTest, FormatIntegerPadsTheMagnitude) {
  struct Case {
    std::int32_t value;
    std::int16_t digits;
    std::string expected;
  };
  const Case cases[] = {
      {7, 0, "7"},       {7, 3, "007"},     {-7, 3, "-007"}, {0, 0, "0"},
      {0, 1, "0"},       {0, 3, "000"},     {1234, 2, "1234"}, {-2147483647 - 1, 0, "-2147483648"},
      {2147483647, 0, "2147483647"},        {5, -3, "5"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatInteger(c.value, c.digits), c.expected) << c.value << "," << c.digits;
}

TEST(TagTablesTest, FormatDecimalIsFixedPoint) {
  struct Case {
    std::int16_t width, decimals;
    double value;
    std::string expected;
  };
  const Case cases[] = {
      {0, 0, 1234, "1234"}, {8, 2, 3.14159, "    3.14"}, {0, 0, 2.6, "3"},
      {0, 1, -0.25, "-0.2"},  // round half to even, as printf does
      {3, 0, 12345, "12345"}, {0, 3, 1, "1.000"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDecimal(c.width, c.decimals, c.value), c.expected) << c.value;
}

TEST(TagTablesTest, FormatDecimalUsesTheLocaleSeparator) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  const char* names[] = {"fr_FR.UTF-8", "fr_FR.utf8", "de_DE.UTF-8", "de_DE.utf8"};
  const char* found = nullptr;
  for (const char* name : names) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      found = name;
      break;
    }
  }
  if (found == nullptr) GTEST_SKIP() << "no locale with a decimal comma installed";
  const std::string text = FormatDecimal(8, 2, 3.14159);
  std::setlocale(LC_NUMERIC, before.c_str());
  EXPECT_EQ(text, "    3,14");
}

}  // namespace
