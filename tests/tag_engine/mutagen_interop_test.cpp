// Another program's reader on what we write: python3-mutagen must read the
// values, the ID3v1 block and the picture as written, and the audio must be
// the input's byte for byte; files tagged first the way other programs tag
// them must come through a rewrite the same way.
#include <gtest/gtest.h>

#include <string>

#include "support/mutagen_reader.h"
#include "support/temp_dir.h"
#include "tag_engine/mp3_tag_engine.h"

namespace {

using test_support::AudioOf;
using test_support::CheckArgs;
using test_support::MpegAudio;
using test_support::RunMutagenTool;
using test_support::ToolResult;
using test_support::WrittenValues;

void Rewrite(const std::string& path, const std::string& dataFolder, const WrittenValues& v) {
  Mp3TagEngine engine;
  engine.DataFolder = dataFolder;
  engine.ReadTag(path);
  ASSERT_TRUE(engine.WriteTagV2(path, v.title, v.artist, v.album, v.comment, v.year, v.track, v.genre, v.category, "ZQ"));
  ASSERT_TRUE(engine.WriteTagV1(path, v.title, v.artist, v.album, v.comment, v.year));
}

// In ISO-8859-1 and beyond it; the ID3v1 block gets "?" for what it lacks.
const WrittenValues kNew = {"Caf\u00E9 au lait", "Les \u00C9toiles \u041C\u0443\u043C\u0438\u0439",
                            "Album \u00A9 2009", "\u65E5\u672C\u8A9E comment",
                            "2009",               "3",
                            "Rock",               "Beds"};

TEST(MutagenReadsOurOutput, ValuesBlockAndAudioAsWritten) {
  struct Case {
    const char* name;
    std::string before;  // what precedes the audio
    bool v1;
  };
  const std::string oldTag = std::string("ID3\x03\x00\x00\x00\x00\x00\x15", 10) +
                             std::string("TIT2\x00\x00\x00\x0B\x00\x00\x00Old title", 21);
  const Case cases[] = {{"untagged", "", false}, {"untagged_with_v1", "", true}, {"tagged", oldTag, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test_support::TempDir dir;
    const std::string audio = MpegAudio(40, 7);
    const std::string v1 = c.v1 ? "TAG" + std::string(124, ' ') + '\x11' : "";
    const std::string path = dir.WriteFile("song.mp3", c.before + audio + v1);
    Rewrite(path, dir.Path(""), kNew);
    const ToolResult r = RunMutagenTool(CheckArgs(path, kNew));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(AudioOf(dir.ReadFile("song.mp3")), audio);
  }
}

TEST(MutagenReadsOurOutput, FilesTaggedByOtherProgramsSurviveARewrite) {
  for (const char* form : {"v24_utf8", "v23_utf16"}) {
    SCOPED_TRACE(form);
    test_support::TempDir dir;
    const std::string audio = MpegAudio(60, 11);
    std::string picture = "\x89PNG\r\n\x1A\n";
    for (int i = 0; i < 3000; ++i) picture += static_cast<char>((i * 37) ^ (i >> 3));  // every byte value
    const std::string audioFile = dir.WriteFile("audio.bin", audio);
    const std::string pictureFile = dir.WriteFile("picture.bin", picture);
    const std::string path = dir.Path("song.mp3");
    const ToolResult made = RunMutagenTool({"make", form, path, audioFile, pictureFile});
    ASSERT_EQ(made.status, 0) << made.output;
    ASSERT_EQ(AudioOf(dir.ReadFile("song.mp3")), audio) << "the fixture is not what it should be";

    Rewrite(path, dir.Path(""), kNew);
    const ToolResult r = RunMutagenTool(CheckArgs(path, kNew, pictureFile));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(AudioOf(dir.ReadFile("song.mp3")), audio);
  }
}

}  // namespace
