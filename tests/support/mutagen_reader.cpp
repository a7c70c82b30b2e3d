#include "support/mutagen_reader.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <utility>

#include "tag_engine/text_codec.h"

namespace test_support {

namespace {

std::string HexOf(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string h;
  for (unsigned char c : bytes) {
    h += digits[c >> 4];
    h += digits[c & 15];
  }
  return h;
}

constexpr std::size_t kV1Size = 128;

// One argument for the shell, whatever bytes it holds.
std::string Quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) {
    if (c == '\'') {
      q += "'\\''";
    } else {
      q += c;
    }
  }
  return q + "'";
}

ToolResult RunScript(const std::string& script, const std::vector<std::string>& args) {
  // Debian's interpreter, where python3-mutagen is installed, whatever else
  // comes first on PATH.
  std::string command = "/usr/bin/python3 " + Quoted(std::string(QUILLON_SOURCE_DIR) + "/tests/tools/" + script);
  for (const std::string& a : args) command += " " + Quoted(a);
  command += " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {-1, "cannot start python3"};
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  return {::pclose(pipe), out};
}

}  // namespace

ToolResult RunMutagenTool(const std::vector<std::string>& args) { return RunScript("mutagen_tool.py", args); }

ToolResult RunFixtureTool(const std::vector<std::string>& args) { return RunScript("fixture_tool.py", args); }

std::vector<std::string> CheckArgs(const std::string& path, const WrittenValues& v, const std::string& picture) {
  std::vector<std::string> args = {"check", path};
  if (!picture.empty()) args.push_back(picture);
  const std::pair<const char*, const std::string*> fields[] = {
      {"title", &v.title}, {"artist", &v.artist}, {"album", &v.album}, {"comment", &v.comment},
      {"year", &v.year},   {"track", &v.track},   {"genre", &v.genre}, {"category", &v.category}};
  for (const auto& [key, value] : fields) args.push_back(std::string(key) + "=" + HexOf(*value));
  args.push_back("owner=" + HexOf("ZQ"));
  args.push_back("v1title=" + HexOf(id3text::ToLatin1(v.title).substr(0, 30)));
  args.push_back("v1artist=" + HexOf(id3text::ToLatin1(v.artist).substr(0, 30)));
  args.push_back("v1album=" + HexOf(id3text::ToLatin1(v.album).substr(0, 30)));
  args.push_back("v1year=" + HexOf(id3text::ToLatin1(v.year).substr(0, 4)));
  args.push_back("v1comment=" + HexOf(id3text::ToLatin1(v.comment).substr(0, 30)));
  return args;
}

std::string MpegAudio(int frames, unsigned seed) {
  // 128 kbit/s, 44.1 kHz: 417 bytes a frame.
  std::mt19937 gen(seed);
  std::string a;
  for (int f = 0; f < frames; ++f) {
    a += std::string("\xFF\xFB\x90\x64", 4);
    for (int i = 0; i < 413; ++i) a += static_cast<char>(gen() & 0x7F);
  }
  return a;
}

std::string AudioOf(const std::string& bytes) {
  std::uint64_t start = 0;
  if (bytes.size() >= 10 && bytes.compare(0, 3, "ID3") == 0)
    start = 10 + ((std::uint64_t(bytes[6] & 0x7F) << 21) | (std::uint64_t(bytes[7] & 0x7F) << 14) |
                  (std::uint64_t(bytes[8] & 0x7F) << 7) | std::uint64_t(bytes[9] & 0x7F));
  const bool v1 = bytes.size() >= kV1Size && bytes.compare(bytes.size() - kV1Size, 3, "TAG") == 0;
  const std::size_t end = bytes.size() - (v1 ? kV1Size : 0);
  return start <= end ? bytes.substr(start, end - start) : std::string();
}

}  // namespace test_support
