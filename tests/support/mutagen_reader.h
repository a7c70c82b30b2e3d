// Runs tests/tools/mutagen_tool.py and tests/tools/fixture_tool.py, which read
// and write tags with Debian's python3-mutagen (and other programs' taggers):
// independent readers of what we write.
#pragma once

#include <string>
#include <vector>

namespace test_support {

struct ToolResult {
  int status;          // 0 when the tool agreed
  std::string output;  // what it printed: "ok", or every disagreement
};

ToolResult RunMutagenTool(const std::vector<std::string>& args);
// tests/tools/fixture_tool.py: the fixture library and the comparison of
// mutagen's views before and after a run (see the script's header).
ToolResult RunFixtureTool(const std::vector<std::string>& args);

// The values a rewrite gave a file, as the tool's "check" command takes them.
struct WrittenValues {
  std::string title, artist, album, comment, year, track, genre, category;
};

// Arguments of "check PATH [PICTURE] key=hex ...": the nine ID3v2 values
// (UTF-8, owner "ZQ") and the five ID3v1 fields in ISO-8859-1 ("?" for what
// it lacks) cut to their widths.
std::vector<std::string> CheckArgs(const std::string& path, const WrittenValues& v, const std::string& picture = "");

// MPEG-1 layer III frames with noise inside, so that a reader takes the bytes
// for real audio.
std::string MpegAudio(int frames, unsigned seed);

// What lies between a file's ID3v2 tag and its ID3v1 block.
std::string AudioOf(const std::string& bytes);

}  // namespace test_support
