#include "tag_engine/text_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// One table for the three readers: whether the bytes are valid UTF-8, how
// many characters they count, and where a cut after two characters falls.
TEST(TextCodec, ValidityCountAndPrefix) {
  struct Case {
    const char* what;
    std::string bytes;
    bool valid;
    std::size_t chars;
    std::string first_two;
  };
  const Case cases[] = {
      {"empty", "", true, 0, ""},
      {"ASCII", "abc", true, 3, "ab"},
      {"NUL is a character", std::string("a\0b", 3), true, 3, std::string("a\0", 2)},
      {"two-byte e acute", "\xC3\xA9t\xC3\xA9", true, 3, "\xC3\xA9t"},
      {"Cyrillic", "\xD0\x9C\xD1\x83\xD0\xBC", true, 3, "\xD0\x9C\xD1\x83"},
      {"Japanese, three bytes each", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", true, 3, "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"emoji, four bytes", "\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB6!", true, 3, "\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB6"},
      {"U+10FFFF is the last", "\xF4\x8F\xBF\xBF", true, 1, "\xF4\x8F\xBF\xBF"},
      {"Latin-1 byte", "Caf\xE9", false, 4, "Ca"},
      {"Latin-1 bytes that look like a lead", "\xE9t\xE9", false, 3, "\xE9t"},
      {"stray continuation", "\x80\x80", false, 2, "\x80\x80"},
      {"sequence cut by the end", "a\xE2\x82", false, 3, "a\xE2"},
      {"overlong C0 80", "\xC0\x80", false, 2, "\xC0\x80"},
      {"overlong E0 80 AF", "\xE0\x80\xAF", false, 3, "\xE0\x80"},
      {"surrogate ED A0 80", "\xED\xA0\x80", false, 3, "\xED\xA0"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false, 4, "\xF4\x90"},
      {"FF", "\xFF", false, 1, "\xFF"},
      {"bad byte between characters", "\xD0\x9C\xFF\xE6\x97\xA5", false, 3, "\xD0\x9C\xFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(id3text::IsValidUtf8(c.bytes), c.valid) << c.what;
    EXPECT_EQ(id3text::CharCount(c.bytes), c.chars) << c.what;
    EXPECT_EQ(id3text::Prefix(c.bytes, 2), c.first_two) << c.what;
  }
}

TEST(TextCodec, PrefixNeverCutsASequence) {
  // 254 ASCII characters, then one of two, three and four bytes.
  const std::string head(254, 'a');
  for (const std::string tail : {"\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x8E\xB5"}) {
    const std::string text = head + tail + "zz";
    EXPECT_EQ(id3text::Prefix(text, 255), head + tail);
    EXPECT_EQ(id3text::Prefix(text, 254), head);
    EXPECT_EQ(id3text::Prefix(text, 1000), text);
    EXPECT_TRUE(id3text::IsValidUtf8(id3text::Prefix(text, 255)));
  }
  EXPECT_EQ(id3text::Prefix("abc", 0), "");
}

TEST(TextCodec, Latin1BecomesItsCodePoints) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = id3text::FromLatin1(all);
  EXPECT_TRUE(id3text::IsValidUtf8(utf8));
  EXPECT_EQ(id3text::CharCount(utf8), 256u);
  EXPECT_EQ(utf8.size(), 128u + 2u * 128u);
  EXPECT_EQ(id3text::FromLatin1("Caf\xE9 \xB0\xFF"), "Caf\xC3\xA9 \xC2\xB0\xC3\xBF");
  EXPECT_EQ(id3text::FromLatin1(std::string("\0\x7F\x80", 3)), std::string("\0\x7F\xC2\x80", 4));
  EXPECT_EQ(id3text::FromLatin1(""), "");
}

}  // namespace
