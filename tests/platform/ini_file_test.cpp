#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace fs = std::filesystem;
using platform::IniFile;
using test_support::TempDir;

namespace {

struct WriteCase {
  const char* what;
  std::string before;  // file content; "<none>" for no file
  const char* section;
  const char* key;
  std::string value;
  std::string after;
};

TEST(IniFileWrite, ChangesOnlyWhatItMust) {
  const WriteCase cases[] = {
      {"new file", "<none>", "integer", "RGP_Tag", "0", "[integer]\nRGP_Tag=0\n"},
      {"empty file", "", "s", "k", "v", "[s]\nk=v\n"},
      {"replace in place", "[a]\nx=1\ny=2\n[b]\nx=3\n", "a", "x", "9",
       "[a]\nx=9\ny=2\n[b]\nx=3\n"},
      {"replace keeps spelling and blanks before =", "[A]\n  KeY = old value\n", "a", "key", "new",
       "[A]\n  KeY =new\n"},
      {"value may be empty", "[a]\nx=1\n", "a", "x", "", "[a]\nx=\n"},
      {"missing key after the last key, before the blank line", "[a]\nx=1\n\n[b]\ny=2\n", "a", "z",
       "3", "[a]\nx=1\nz=3\n\n[b]\ny=2\n"},
      {"missing key in the last section", "[a]\nx=1\n[b]\ny=2\n", "b", "z", "3",
       "[a]\nx=1\n[b]\ny=2\nz=3\n"},
      {"missing key in an empty section", "[a]\n[b]\n", "a", "k", "v", "[a]\nk=v\n[b]\n"},
      {"missing section at the end", "[a]\nx=1\n", "b", "y", "2", "[a]\nx=1\n[b]\ny=2\n"},
      {"last line without line end", "[a]\nx=1", "a", "y", "2", "[a]\nx=1\ny=2\n"},
      {"section after last line without line end", "[a]\nx=1", "b", "y", "2",
       "[a]\nx=1\n[b]\ny=2\n"},
      {"same key in another section is not touched", "[b]\nk=1\n[a]\n", "a", "k", "2",
       "[b]\nk=1\n[a]\nk=2\n"},
      {"first of two equal keys", "[a]\nk=1\nk=2\n", "a", "k", "3", "[a]\nk=3\nk=2\n"},
      {"first of two equal sections", "[a]\nk=1\n[a]\nk=2\n", "A", "k", "3",
       "[a]\nk=3\n[a]\nk=2\n"},
      {"key before any section is no key", "k=1\n", "a", "k", "2", "k=1\n[a]\nk=2\n"},
      {"comment and odd lines stay", "; note\n[a]\nno equals sign\n;k=1\n", "a", "k", "2",
       "; note\n[a]\nno equals sign\n;k=1\nk=2\n"},
      {"value holding = and quotes", "[a]\n", "a", "k", "x=\"y\"", "[a]\nk=x=\"y\"\n"},
      {"value holding NUL and high bytes", "[a]\n", "a", "k", std::string("a\0\xE9", 3),
       std::string("[a]\nk=a\0\xE9\n", 10)},
      {"CRLF lines keep their ends, new lines get LF", "[a]\r\nx=1\r\n\r\n[b]\r\n", "a", "y", "2",
       "[a]\r\nx=1\r\ny=2\n\r\n[b]\r\n"},
      {"replaced CRLF line keeps CRLF", "[a]\r\nx=1\r\n", "a", "x", "22", "[a]\r\nx=22\r\n"},
      {"blanks around the section name", "[ a ]\nx=1\n", "a", "x", "2", "[ a ]\nx=2\n"},
  };
  for (const WriteCase& c : cases) {
    TempDir dir;
    const std::string path = dir.Path("datas.ini");
    if (c.before != "<none>") dir.WriteFile("datas.ini", c.before);
    EXPECT_TRUE(IniFile(path).WriteValue(c.section, c.key, c.value)) << c.what;
    EXPECT_EQ(dir.ReadFile("datas.ini"), c.after) << c.what;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << c.what << ": a temporary file was left behind";
  }
}

struct ReadCase {
  const char* what;
  std::string content;
  const char* section;
  const char* key;
  std::optional<std::string> value;
};

TEST(IniFileRead, FindsKeysAndCleansValues) {
  const ReadCase cases[] = {
      {"plain", "[a]\nk=v\n", "a", "k", "v"},
      {"section and key in any case", "[InTeGeR]\nRgp_Tag=1\n", "integer", "RGP_TAG", "1"},
      {"blanks around value dropped", "[a]\nk = \t v w \t\n", "a", "k", "v w"},
      {"double quotes dropped", "[a]\nk=\"quoted\"\n", "a", "k", "quoted"},
      {"single quotes dropped", "[a]\nk= 'quoted' \n", "a", "k", "quoted"},
      {"only one pair of quotes", "[a]\nk=\"\"x\"\"\n", "a", "k", "\"x\""},
      {"blanks inside quotes kept", "[a]\nk=\" x \"\n", "a", "k", " x "},
      {"mixed quotes kept", "[a]\nk=\"x'\n", "a", "k", "\"x'"},
      {"a lone quote kept", "[a]\nk=\"\n", "a", "k", "\""},
      {"empty value", "[a]\nk=\n", "a", "k", ""},
      {"empty quoted value", "[a]\nk=''\n", "a", "k", ""},
      {"value holding =", "[a]\nk=x=y\n", "a", "k", "x=y"},
      {"CRLF", "[a]\r\nk=v\r\nj=w\r\n", "a", "j", "w"},
      {"CRLF last line without LF", "[a]\r\nk=v\r", "a", "k", "v"},
      {"missing key", "[a]\nk=v\n", "a", "j", std::nullopt},
      {"missing section", "[a]\nk=v\n", "b", "k", std::nullopt},
      {"key of the next section is not ours", "[a]\n[b]\nk=v\n", "a", "k", std::nullopt},
      {"first of two equal keys", "[a]\nk=1\nK=2\n", "a", "k", "1"},
      {"key before any section", "k=1\n[a]\n", "a", "k", std::nullopt},
      {"commented key", "[a]\n;k=1\n", "a", "k", std::nullopt},
      {"NUL inside a value", std::string("[a]\nk=x\0y\n", 10), "a", "k", std::string("x\0y", 3)},
      {"empty key never matches", "[a]\n=v\n", "a", "", std::nullopt},
  };
  for (const ReadCase& c : cases) {
    TempDir dir;
    const std::string path = dir.WriteFile("x.ini", c.content);
    EXPECT_EQ(IniFile(path).ReadValue(c.section, c.key), c.value) << c.what;
  }
}

TEST(IniFileRead, ValueComesBackWholeAndUndecoded) {
  // How much of a value to keep, and in which encoding to read it, is the
  // caller's business: the file hands back every byte.
  TempDir dir;
  const std::string long_value(3000, 'v');
  const std::string utf8 = "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9";
  const std::string path = dir.WriteFile(
      "x.ini", "[a]\nexact=" + std::string(2047, 'e') + "\nlong=" + long_value +
                   "\nquoted=\"" + std::string(2047, 'q') + "\"\nutf8=" + utf8 + "\nlatin1=Caf\xE9\n");
  const IniFile ini(path);
  EXPECT_EQ(ini.ReadValue("a", "exact"), std::string(2047, 'e'));
  EXPECT_EQ(ini.ReadValue("a", "long"), long_value);
  EXPECT_EQ(ini.ReadValue("a", "quoted"), std::string(2047, 'q'));
  EXPECT_EQ(ini.ReadValue("a", "utf8"), utf8);
  EXPECT_EQ(ini.ReadValue("a", "latin1"), "Caf\xE9");
  // Writing keeps the whole value in the file.
  ASSERT_TRUE(ini.WriteValue("a", "long", long_value + "w"));
  EXPECT_NE(dir.ReadFile("x.ini").find(long_value + "w\n"), std::string::npos);
}

TEST(IniFile, WriteThenReadRoundTrips) {
  TempDir dir;
  const IniFile ini(dir.Path("datas.ini"));
  EXPECT_EQ(ini.ReadValue("string", "DED_Folder"), std::nullopt);
  ASSERT_TRUE(ini.WriteValue("string", "DED_Folder", "/home/a b/"));
  ASSERT_TRUE(ini.WriteValue("integer", "RGP_Tag", "1"));
  ASSERT_TRUE(ini.WriteValue("STRING", "ded_folder", "/music/"));
  EXPECT_EQ(ini.ReadValue("string", "DED_Folder"), "/music/");
  EXPECT_EQ(ini.ReadValue("integer", "RGP_Tag"), "1");
  EXPECT_EQ(dir.ReadFile("datas.ini"), "[string]\nDED_Folder=/music/\n[integer]\nRGP_Tag=1\n");
}

TEST(IniFile, EveryCallSeesTheFileAsItIsNow) {
  TempDir dir;
  const std::string path = dir.WriteFile("x.ini", "[a]\nk=1\n");
  const IniFile ini(path);
  EXPECT_EQ(ini.ReadValue("a", "k"), "1");
  dir.WriteFile("x.ini", "[a]\nk=2\nj=3\n");
  EXPECT_EQ(ini.ReadValue("a", "k"), "2");
  ASSERT_TRUE(ini.WriteValue("a", "k", "4"));
  EXPECT_EQ(dir.ReadFile("x.ini"), "[a]\nk=4\nj=3\n");
}

TEST(IniFile, FailuresLeaveEverythingAsItWas) {
  TempDir dir;
  // A missing folder is not created.
  const IniFile in_missing_folder(dir.Path("missing/datas.ini"));
  EXPECT_FALSE(in_missing_folder.WriteValue("a", "k", "v"));
  EXPECT_EQ(in_missing_folder.ReadValue("a", "k"), std::nullopt);
  EXPECT_FALSE(fs::exists(dir.Path("missing")));

  // A folder where the file should be.
  fs::create_directory(dir.Path("folder.ini"));
  EXPECT_FALSE(IniFile(dir.Path("folder.ini")).WriteValue("a", "k", "v"));
  EXPECT_EQ(IniFile(dir.Path("folder.ini")).ReadValue("a", "k"), std::nullopt);

  // Names and values that cannot stand on one line of the file.
  const std::string path = dir.WriteFile("x.ini", "[a]\nk=1\n");
  const IniFile ini(path);
  struct Bad { const char* section; const char* key; const char* value; };
  const Bad bad[] = {
      {"a", "k", "two\nlines"}, {"a", "k", "cr\r"}, {"a", "k\n", "v"}, {"a\nb", "k", "v"},
      {"a]", "k", "v"},         {"a", "k=j", "v"},  {"a", "[k", "v"},  {"a", ";k", "v"},
      {"", "k", "v"},           {"a", "", "v"},     {"a", "  ", "v"},
  };
  for (const Bad& b : bad) {
    EXPECT_FALSE(ini.WriteValue(b.section, b.key, b.value)) << b.section << "/" << b.key;
  }
  EXPECT_EQ(dir.ReadFile("x.ini"), "[a]\nk=1\n");

  EXPECT_FALSE(IniFile("").WriteValue("a", "k", "v"));
  EXPECT_EQ(IniFile("").ReadValue("a", "k"), std::nullopt);
  EXPECT_FALSE(IniFile(path + std::string(1, '\0')).WriteValue("a", "k", "v"));
}

TEST(IniFile, WritesThroughALinkAndKeepsPermissions) {
  TempDir dir;
  const std::string real = dir.WriteFile("real.ini", "[a]\nk=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  fs::create_symlink(real, dir.Path("link.ini"));
  ASSERT_TRUE(IniFile(dir.Path("link.ini")).WriteValue("a", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(dir.Path("link.ini")));
  EXPECT_EQ(dir.ReadFile("real.ini"), "[a]\nk=2\n");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // A link whose target is still missing creates the target.
  fs::create_symlink(dir.Path("later.ini"), dir.Path("dangling.ini"));
  ASSERT_TRUE(IniFile(dir.Path("dangling.ini")).WriteValue("a", "k", "3"));
  EXPECT_EQ(dir.ReadFile("later.ini"), "[a]\nk=3\n");

  // A loop of links names no file.
  fs::create_symlink(dir.Path("loop2.ini"), dir.Path("loop1.ini"));
  fs::create_symlink(dir.Path("loop1.ini"), dir.Path("loop2.ini"));
  EXPECT_FALSE(IniFile(dir.Path("loop1.ini")).WriteValue("a", "k", "4"));
  EXPECT_TRUE(fs::is_symlink(dir.Path("loop1.ini")));
}

TEST(IniFile, WritingTheSameValueLeavesTheFileUntouched) {
  TempDir dir;
  const std::string path = dir.WriteFile("x.ini", "[a]\nk=1\n");
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ASSERT_TRUE(IniFile(path).WriteValue("A", "K", "1"));
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // not replaced by a new file
}

}  // namespace
