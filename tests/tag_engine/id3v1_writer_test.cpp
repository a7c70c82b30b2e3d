#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/tag_fixtures.h"
#include "support/temp_dir.h"
#include "tag_engine/mp3_tag_engine.h"

using namespace std::string_literals;
using platform::FileStep;
using test_support::ScriptedFaults;
using test_support::ToHex;
using test_support::V1Block;

namespace {

class Id3v1WriterTest : public ::testing::Test {
 protected:
  std::string Put(const std::string& bytes) { return dir_.WriteFile("song.mp3", bytes); }
  std::string Content(const std::string& path) const { return dir_.ReadFile(path); }
  const std::string audio_ = std::string(300, '\x55');
  test_support::TempDir dir_;
  Mp3TagEngine engine_;
};

TEST_F(Id3v1WriterTest, ExistingBlockIsOverwrittenInPlaceKeepingTheGenre) {
  const std::string path = Put(audio_ + V1Block('o', 17));
  ASSERT_TRUE(engine_.WriteTagV1(path, "abc", "Artist", "Album", "Comment", "2009"));
  const std::string file = Content(path);
  ASSERT_EQ(file.size(), audio_.size() + 128);
  EXPECT_EQ(file.substr(0, audio_.size()), audio_);
  const std::string block = "TAG"s + "abc" + std::string(27, ' ') + "Artist" + std::string(24, ' ') + "Album" +
                            std::string(25, ' ') + "2009" + "Comment" + std::string(23, ' ') + "\x11";
  EXPECT_EQ(ToHex(file.substr(audio_.size())), ToHex(block));
  EXPECT_EQ(ToHex(std::string(engine_.Id3v1Block.begin(), engine_.Id3v1Block.end())), ToHex(block));
}

TEST_F(Id3v1WriterTest, FileWithoutBlockGrowsBy128WithNoGenre) {
  // Its last 128 bytes begin with the marker in lower case: no block.
  const std::string lower = "tag"s + std::string(125, 'q');
  for (const std::string& before : {audio_, audio_ + lower}) {
    const std::string path = Put(before);
    ASSERT_TRUE(engine_.WriteTagV1(path, "t", "a", "l", "c", "1999"));
    const std::string file = Content(path);
    ASSERT_EQ(file.size(), before.size() + 128);
    EXPECT_EQ(file.substr(0, before.size()), before);
    EXPECT_EQ(file.substr(before.size(), 3), "TAG");
    EXPECT_EQ(static_cast<unsigned char>(file.back()), 255);
  }
}

TEST_F(Id3v1WriterTest, FieldsAreCutOrSpaceFilled) {
  struct Case {
    std::string title, year, comment;
    std::string titleField, yearField, commentField;
  };
  const std::string thirty = "123456789012345678901234567890";
  const Case cases[] = {
      {"abc", "2009", "", "abc" + std::string(27, ' '), "2009", std::string(30, ' ')},
      {thirty + "X", "20091", thirty + "Y", thirty, "2009", thirty},
      {thirty, "999", "short", thirty, "999 ", "short" + std::string(25, ' ')},
      {"", "0", thirty.substr(0, 28), std::string(30, ' '), "0   ", thirty.substr(0, 28) + "  "},
      {"a\0b"s, "", "", "a\0b"s + std::string(27, ' '), "    ", std::string(30, ' ')},
      // UTF-8 in, ISO-8859-1 out: "?" for each character it lacks, then the
      // cut counts those bytes.
      {"Caf\u00E9 \u00FF", "", "\u041C\u0443\u043C\u0438\u0439 \U0001F3B5", "Caf\xE9 \xFF" + std::string(24, ' '), "    ",
       "????? ?" + std::string(23, ' ')},
      {std::string(29, 'a') + "\u65E5\u672C", "", "", std::string(29, 'a') + "?", "    ", std::string(30, ' ')},
  };
  for (const Case& c : cases) {
    const std::string path = Put(audio_ + V1Block('o', 2));
    ASSERT_TRUE(engine_.WriteTagV1(path, c.title, "", "", c.comment, c.year));
    const std::string block = Content(path).substr(audio_.size());
    ASSERT_EQ(block.size(), 128u);
    EXPECT_EQ(block.substr(3, 30), c.titleField);
    EXPECT_EQ(block.substr(93, 4), c.yearField);
    EXPECT_EQ(block.substr(97, 30), c.commentField);
    EXPECT_EQ(block[125], c.commentField[28]);  // no track number byte
    EXPECT_EQ(block[127], 2);
  }
}

TEST_F(Id3v1WriterTest, ShortOrMissingFileGivesFalse) {
  const std::string bytes(127, 'x');
  const std::string path = Put(bytes);
  EXPECT_FALSE(engine_.WriteTagV1(path, "t", "", "", "", ""));
  EXPECT_EQ(Content(path), bytes);
  EXPECT_FALSE(engine_.WriteTagV1(dir_.Path("missing.mp3"), "t", "", "", "", ""));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("missing.mp3")));

  const std::string exact(128, 'x');  // exactly one block's length, no marker: append
  const std::string path128 = Put(exact);
  EXPECT_TRUE(engine_.WriteTagV1(path128, "t", "", "", "", ""));
  EXPECT_EQ(Content(path128).size(), 256u);
}

TEST_F(Id3v1WriterTest, FailedAppendIsCutBackOff) {
  for (const FileStep step : {FileStep::Write, FileStep::Sync, FileStep::Read, FileStep::Size}) {
    const std::string path = Put(audio_);
    ScriptedFaults faults;
    faults.FailStep(step);
    EXPECT_FALSE(engine_.WriteTagV1(path, "t", "", "", "", "")) << test_support::StepName(step);
    EXPECT_EQ(Content(path), audio_) << test_support::StepName(step);
  }
  const std::string path = Put(audio_);
  ScriptedFaults faults;
  faults.FailStep(FileStep::Close);
  EXPECT_FALSE(engine_.WriteTagV1(path, "t", "", "", "", ""));  // written, but the close failed
}

}  // namespace
