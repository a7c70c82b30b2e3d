#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(FileNameToTagText, MapsUtf8ToLatin1) {
  struct Case {
    const char* what;
    std::string utf8;
    std::string latin1;
  };
  const Case cases[] = {
      {"ASCII stays", "01 Intro", "01 Intro"},
      {"empty", "", ""},
      {"NUL stays", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"e acute U+00E9", "Caf\xC3\xA9", "Caf\xE9"},
      {"U+0080 and U+00FF, the ends of the upper half", "\xC2\x80\xC3\xBF", "\x80\xFF"},
      {"U+0100 is beyond Latin-1", "\xC4\x80", "?"},
      {"euro sign U+20AC", "5\xE2\x82\xAC", "5?"},
      {"emoji U+1F3B5", "\xF0\x9F\x8E\xB5!", "?!"},
      {"U+10FFFF", "\xF4\x8F\xBF\xBF", "?"},
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
      {"lead followed by a new lead", "\xC3\xC3\xA9", "?\xE9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::FileNameToTagText(c.utf8), c.latin1) << c.what;
  }
}

}  // namespace
