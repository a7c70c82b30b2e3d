#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(FileNameToTagText, KeepsWellFormedUtf8AndMarksOtherBytes) {
  struct Case {
    const char* what;
    std::string name;
    std::string text;
  };
  const Case cases[] = {
      {"ASCII stays", "01 Intro", "01 Intro"},
      {"empty", "", ""},
      {"NUL stays", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"e acute U+00E9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
      {"U+0080 and U+00FF, the ends of Latin-1", "\xC2\x80\xC3\xBF", "\xC2\x80\xC3\xBF"},
      {"U+0100, just beyond Latin-1", "\xC4\x80", "\xC4\x80"},
      {"euro sign U+20AC", "5\xE2\x82\xAC", "5\xE2\x82\xAC"},
      {"Cyrillic", "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9", "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9"},
      {"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {"emoji U+1F3B5", "\xF0\x9F\x8E\xB5!", "\xF0\x9F\x8E\xB5!"},
      {"U+10FFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      {"stray continuation byte", "a\x80z", "a?z"},
      {"Latin-1 byte that is no UTF-8", "Caf\xE9", "Caf?"},
      {"sequence cut by the end", "a\xE2\x82", "a??"},
      {"sequence cut by an ASCII byte", "\xE2\x82" "A", "??A"},
      {"overlong NUL C0 80", "\xC0\x80", "??"},
      {"overlong slash E0 80 AF", "\xE0\x80\xAF", "???"},
      {"overlong F0 8F BF BF", "\xF0\x8F\xBF\xBF", "????"},
      {"surrogate ED A0 80", "\xED\xA0\x80", "???"},
      {"above U+10FFFF F4 90 80 80", "\xF4\x90\x80\x80", "????"},
      {"F5 lead", "\xF5\x80", "??"},
      {"FF byte", "\xFF", "?"},
      {"lead followed by a new lead", "\xC3\xC3\xA9", "?\xC3\xA9"},
      {"valid text around a bad byte", "\xD0\x9C\xFF\xE6\x97\xA5", "\xD0\x9C?\xE6\x97\xA5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::FileNameToTagText(c.name), c.text) << c.what;
  }
}

}  // namespace
