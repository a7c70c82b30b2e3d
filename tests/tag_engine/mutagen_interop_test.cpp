// Another program's reader on what we write: python3-mutagen must read the
// values, the ID3v1 block and the picture as written, and the audio must be
// the input's byte for byte; files tagged first the way other programs tag
// them must come through a rewrite the same way.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "tag_engine/mp3_tag_engine.h"

namespace {

const std::string kTool = std::string(QUILLON_SOURCE_DIR) + "/tests/tools/mutagen_tool.py";

struct ToolResult {
  int status;
  std::string output;
};

ToolResult RunTool(const std::vector<std::string>& args) {
  std::string command = "/usr/bin/python3 '" + kTool + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::string out;
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  const int status = pipe ? ::pclose(pipe.release()) : -1;
  return {status, out};
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string h;
  for (unsigned char c : bytes) {
    h += digits[c >> 4];
    h += digits[c & 15];
  }
  return h;
}

// MPEG-1 layer III frames (128 kbit/s, 44.1 kHz, 417 bytes each) with noise
// inside, so that a reader can take it for real audio.
std::string Mpeg(int frames, unsigned seed) {
  std::mt19937 gen(seed);
  std::string a;
  for (int f = 0; f < frames; ++f) {
    a += std::string("\xFF\xFB\x90\x64", 4);
    for (int i = 0; i < 413; ++i) a += static_cast<char>(gen() & 0x7F);
  }
  return a;
}

std::uint32_t TagEnd(const std::string& bytes) {
  if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0) return 0;
  return 10 + ((std::uint32_t(bytes[6] & 0x7F) << 21) | (std::uint32_t(bytes[7] & 0x7F) << 14) |
               (std::uint32_t(bytes[8] & 0x7F) << 7) | std::uint32_t(bytes[9] & 0x7F));
}

bool EndsWithV1(const std::string& bytes) { return bytes.size() >= 128 && bytes.compare(bytes.size() - 128, 3, "TAG") == 0; }

// The audio of a file: what lies between its ID3v2 tag and its ID3v1 block.
std::string AudioOf(const std::string& bytes) {
  const std::uint32_t start = TagEnd(bytes);
  const std::size_t end = bytes.size() - (EndsWithV1(bytes) ? 128 : 0);
  return start <= end ? bytes.substr(start, end - start) : std::string();
}

struct Values {
  std::string title, artist, album, comment, year, track, genre, category;
};

void Rewrite(const std::string& path, const std::string& dataFolder, const Values& v) {
  Mp3TagEngine engine;
  engine.DataFolder = dataFolder;
  engine.ReadTag(path);
  ASSERT_TRUE(engine.WriteTagV2(path, v.title, v.artist, v.album, v.comment, v.year, v.track, v.genre, v.category, "ZQ"));
  ASSERT_TRUE(engine.WriteTagV1(path, v.title, v.artist, v.album, v.comment, v.year));
}

std::vector<std::string> CheckArgs(const std::string& path, const Values& v, const std::string& picture) {
  std::vector<std::string> args = {"check", path};
  if (!picture.empty()) args.push_back(picture);
  const std::pair<const char*, const std::string*> fields[] = {
      {"title", &v.title}, {"artist", &v.artist}, {"album", &v.album}, {"comment", &v.comment},
      {"year", &v.year},   {"track", &v.track},   {"genre", &v.genre}, {"category", &v.category}};
  for (const auto& [key, value] : fields) args.push_back(std::string(key) + "=" + Hex(*value));
  args.push_back("owner=" + Hex("ZQ"));
  auto cut = [](const std::string& s, std::size_t n) { return s.substr(0, n); };
  args.push_back("v1title=" + Hex(cut(v.title, 30)));
  args.push_back("v1artist=" + Hex(cut(v.artist, 30)));
  args.push_back("v1album=" + Hex(cut(v.album, 30)));
  args.push_back("v1year=" + Hex(cut(v.year, 4)));
  args.push_back("v1comment=" + Hex(cut(v.comment, 30)));
  return args;
}

const Values kNew = {"Caf\xE9 au lait", "Les \xC9toiles", "Album \xA9 2009", "A comment", "2009", "3", "Rock", "Beds"};

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
    const std::string audio = Mpeg(40, 7);
    std::string v1;
    if (c.v1) {
      v1 = "TAG" + std::string(124, ' ') + '\x11';
    }
    const std::string path = dir.WriteFile("song.mp3", c.before + audio + v1);
    Rewrite(path, dir.Path(""), kNew);
    const ToolResult r = RunTool(CheckArgs(path, kNew, ""));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(AudioOf(dir.ReadFile("song.mp3")), audio);
  }
}

TEST(MutagenReadsOurOutput, FilesTaggedByOtherProgramsSurviveARewrite) {
  for (const char* form : {"v24_utf8", "v23_utf16"}) {
    SCOPED_TRACE(form);
    test_support::TempDir dir;
    const std::string audio = Mpeg(60, 11);
    std::string picture = "\x89PNG\r\n\x1A\n";
    for (int i = 0; i < 3000; ++i) picture += static_cast<char>((i * 37) ^ (i >> 3));  // every byte value
    const std::string audioFile = dir.WriteFile("audio.bin", audio);
    const std::string pictureFile = dir.WriteFile("picture.bin", picture);
    const std::string path = dir.Path("song.mp3");
    const ToolResult made = RunTool({"make", form, path, audioFile, pictureFile});
    ASSERT_EQ(made.status, 0) << made.output;
    ASSERT_EQ(AudioOf(dir.ReadFile("song.mp3")), audio) << "the fixture is not what it should be";

    Rewrite(path, dir.Path(""), kNew);
    const ToolResult r = RunTool(CheckArgs(path, kNew, pictureFile));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(AudioOf(dir.ReadFile("song.mp3")), audio);
  }
}

}  // namespace
