#include "support/rewrite_invariants.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "tag_engine/mp3_tag_engine.h"
#include "tag_engine/text_codec.h"

namespace test_support {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kV1Size = 128;

bool WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Syncsafe(const std::string& b, std::size_t at) {
  return (std::uint32_t(static_cast<unsigned char>(b[at]) & 0x7F) << 21) |
         (std::uint32_t(static_cast<unsigned char>(b[at + 1]) & 0x7F) << 14) |
         (std::uint32_t(static_cast<unsigned char>(b[at + 2]) & 0x7F) << 7) |
         std::uint32_t(static_cast<unsigned char>(b[at + 3]) & 0x7F);
}

bool IsNineId(const std::string& id) {
  static const char* const kNine[] = {"TPE1", "TALB", "TIT2", "TYER", "COMM", "TRCK", "TCON", "TIT1", "TOWN"};
  for (const char* n : kNine)
    if (id == n) return true;
  return false;
}

std::string Field(const std::string& value, std::size_t width) {
  std::string f = id3text::ToLatin1(value).substr(0, width);
  f.resize(width, ' ');
  return f;
}

void Empty(const std::string& folder) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) fs::remove_all(e.path(), ec);
}

// The values written, in and beyond ISO-8859-1; the genre is no "(n)"
// reference, so each must read back exactly.
const std::string kTitle = "Fuzz title \u00FE\u00FF";
const std::string kArtist = "Artist \u00C9t\u00E9";
const std::string kAlbum = "\u0410\u043B\u044C\u0431\u043E\u043C \u65E5\u672C \U0001F3B5";
const std::string kComment = "A comment longer than thirty bytes, cut in v1";
const std::string kYear = "19999";
const std::string kTrack = "7";
const std::string kGenre = "Jazzish";
const std::string kCategory = "Beds";
const std::string kOwner = "ZQ";

std::string Check(const std::string& folder, const std::string& bytes) {
  const std::string path = folder + "/in.mp3";
  const std::string data = folder + "/data/";
  fs::create_directories(data);
  if (!WriteWhole(path, bytes)) return "cannot write the input file";

  Mp3TagEngine engine;
  engine.DataFolder = data;
  engine.ReadTag(path);

  // Where the audio starts, as the old header's size places it.
  std::uint64_t audioStart = 0;
  if (bytes.size() >= kHeaderSize && bytes.compare(0, 3, "ID3") == 0) {
    audioStart = Syncsafe(bytes, 6) + kHeaderSize;
    // A v2.4 tag may end with a 10-byte footer, a copy of its header that
    // starts with "3DI"; it belongs to the tag. A footer flag without the
    // footer is damage, and the bytes there stay audio.
    const bool footerFlag = bytes[3] == 4 && (static_cast<unsigned char>(bytes[5]) & 0x10) != 0;
    if (footerFlag && audioStart + kHeaderSize <= bytes.size() && bytes.compare(audioStart, 3, "3DI") == 0)
      audioStart += kHeaderSize;
  }
  const bool tagFits = audioStart <= bytes.size();

  // Frames other than the nine come out as they went in, except those of a
  // v2.4 tag, which are turned into their v2.3 form.
  const bool fromV4 = bytes.size() >= kHeaderSize && bytes.compare(0, 3, "ID3") == 0 && bytes[3] == 4;
  std::vector<T_Frame_Mp3> carried;
  for (const T_Frame_Mp3& f : engine.Frames)
    if (!IsNineId(f.FrameId)) carried.push_back(f);

  const bool v2 = engine.WriteTagV2(path, kTitle, kArtist, kAlbum, kComment, kYear, kTrack, kGenre, kCategory, kOwner);
  const std::string after = ReadWhole(path);
  if (fs::exists(data + "tmp.mp3")) return "tmp.mp3 left after WriteTagV2";
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename() != "in.mp3" && e.path().filename() != "data")
      return "left beside the target: " + e.path().filename().string();
  if (!tagFits) {
    if (v2) return "a tag reaching past the end of the file was written";
    if (after != bytes) return "a refused write changed the file";
    return {};
  }
  if (!v2) return "WriteTagV2 failed on a file whose tag fits";

  if (after.size() < kHeaderSize || after.compare(0, 6, std::string("ID3\x03\x00\x00", 6)) != 0)
    return "the new file does not start with an ID3v2.3 header";
  const std::uint64_t newTagEnd = Syncsafe(after, 6) + kHeaderSize;
  if (newTagEnd > after.size()) return "the new tag's size reaches past the end of the file";
  // What the ID3v2 write followed by the ID3v1 write gave: the new tag, the
  // bytes after the old tag, then the ID3v1 block over the last 128 bytes
  // when they start with "TAG" (genre byte kept), else after them (genre
  // 255; none when the file is shorter than a block).
  std::string twoWriters = after.substr(0, newTagEnd) + bytes.substr(audioStart);
  if (twoWriters.size() >= kV1Size) {
    const bool blockThere = twoWriters.compare(twoWriters.size() - kV1Size, 3, "TAG") == 0;
    const std::string block = "TAG" + Field(kTitle, 30) + Field(kArtist, 30) + Field(kAlbum, 30) +
                              Field(kYear, 4) + Field(kComment, 30) + (blockThere ? twoWriters.back() : '\xFF');
    if (blockThere) twoWriters.resize(twoWriters.size() - kV1Size);
    twoWriters += block;
  }
  if (after != twoWriters) return "the file is not what the ID3v2 and ID3v1 writes gave (audio, block)";

  Mp3TagEngine check;
  check.ReadTag(path);
  const std::pair<const std::string*, const std::string*> values[] = {
      {&check.TagTitle, &kTitle},   {&check.TagArtist, &kArtist}, {&check.TagAlbum, &kAlbum},
      {&check.TagComment, &kComment}, {&check.TagYear, &kYear},     {&check.TagTrack, &kTrack},
      {&check.TagGenre, &kGenre},   {&check.TagCategory, &kCategory}, {&check.TagOwner, &kOwner}};
  for (const auto& [read, written] : values)
    if (*read != *written) return "a value did not read back: \"" + *read + "\" for \"" + *written + "\"";

  std::vector<const T_Frame_Mp3*> carriedBack;
  for (const T_Frame_Mp3& f : check.Frames)
    if (!IsNineId(f.FrameId)) carriedBack.push_back(&f);
  if (fromV4) carried.clear(), carriedBack.clear();
  if (carriedBack.size() != carried.size()) return "carried-over frames were lost or added";
  for (std::size_t i = 0; i < carried.size(); ++i) {
    if (carriedBack[i]->FrameId != carried[i].FrameId || carriedBack[i]->FrameContent != carried[i].FrameContent)
      return "carried-over frame " + carried[i].FrameId + " changed";
  }

  // WriteTagV1 with the same values finds its block in place: no change.
  const bool written = check.WriteTagV1(path, kTitle, kArtist, kAlbum, kComment, kYear);
  if (written != (after.size() >= kV1Size)) return "WriteTagV1 gave the wrong result";
  if (ReadWhole(path) != after) return "WriteTagV1 changed the file WriteTagV2 had completed";
  return {};
}

}  // namespace

std::string CheckRewriteInvariants(const std::string& folder, const std::string& bytes) {
  std::string result = Check(folder, bytes);
  Empty(folder);
  return result;
}

void ReadAsFile(const std::string& folder, const std::string& bytes) {
  const std::string path = folder + "/in.mp3";
  if (WriteWhole(path, bytes)) {
    Mp3TagEngine engine;
    engine.ReadTag(path);
  }
  Empty(folder);
}

}  // namespace test_support
