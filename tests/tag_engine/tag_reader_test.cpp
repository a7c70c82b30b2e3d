#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <string>

#include "support/tag_fixtures.h"
#include "support/temp_dir.h"
#include "tag_engine/mp3_tag_engine.h"

using namespace std::string_literals;
using test_support::Frame;
using test_support::FrameV4;
using test_support::Header;
using test_support::Hex;
using test_support::Tag;
using test_support::ToHex;

namespace {

class RecordingEngine : public Mp3TagEngine {
 public:
  int refreshes = 0;
  std::size_t refreshedFrames = 0;
  std::int32_t refreshedSize = -1;

 protected:
  void RefreshFrameList(const std::vector<T_Frame_Mp3>& frames, std::int32_t tagSize) override {
    ++refreshes;
    refreshedFrames = frames.size();
    refreshedSize = tagSize;
  }
};

class TagReaderTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes, const std::string& name = "a.mp3") { return dir_.WriteFile(name, bytes); }
  void Read(const std::string& bytes) { engine_.ReadTag(Write(bytes)); }
  const std::string audio_ = Hex("FF FB 90 64 00 01 02 03");
  test_support::TempDir dir_;
  RecordingEngine engine_;
};

TEST_F(TagReaderTest, FileWithoutTagGivesEmptyValues) {
  engine_.TagTitle = "stale";
  Read("not a tag at all, just audio bytes");
  EXPECT_EQ(engine_.TagTitle, "");
  EXPECT_TRUE(engine_.Frames.empty());
  EXPECT_EQ(engine_.TagSize, 0);
  EXPECT_EQ(std::string(engine_.Id3v2Header.begin(), engine_.Id3v2Header.end()), "not a tag ");
  EXPECT_EQ(engine_.refreshes, 1);
  EXPECT_EQ(engine_.refreshedFrames, 0u);
  EXPECT_EQ(engine_.refreshedSize, 0);
}

TEST_F(TagReaderTest, NoRegularFileKeepsTheOldHeader) {
  Read(Tag(Frame("TIT2", "\0abc"s)) + audio_);
  const auto header = engine_.Id3v2Header;
  ASSERT_EQ(engine_.TagTitle, "abc");

  ASSERT_EQ(::mkdir(dir_.Path("folder.mp3").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(dir_.Path("fifo.mp3").c_str(), 0600), 0);
  for (const char* name : {"missing.mp3", "folder.mp3", "fifo.mp3"}) {
    engine_.refreshes = 0;
    engine_.ReadTag(dir_.Path(name));
    EXPECT_EQ(engine_.TagTitle, "") << name;
    EXPECT_TRUE(engine_.Frames.empty()) << name;
    EXPECT_EQ(engine_.TagSize, 0) << name;
    EXPECT_EQ(engine_.Id3v2Header, header) << name;
    EXPECT_EQ(engine_.refreshes, 1) << name;
  }
}

TEST_F(TagReaderTest, ReadOnlyFileStillShowsItsTags) {
  const std::string path = Write(Tag(Frame("TPE1", "\0Band"s)) + audio_);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  engine_.ReadTag(path);
  EXPECT_EQ(engine_.TagArtist, "Band");
}

TEST_F(TagReaderTest, HeaderSizeIsSyncsafe) {
  Read(Hex("49 44 33 03 00 00 00 00 02 01") + std::string(300, '\0'));
  EXPECT_EQ(engine_.TagSize, 257);
  Read(Hex("49 44 33 03 00 00 00 00 00 00") + Frame("TIT2", "\0x"s));
  EXPECT_EQ(engine_.TagSize, 0);
  EXPECT_TRUE(engine_.Frames.empty());
  Read(Hex("49 44 33 03 00 00 FF 7F 7F 7F"));  // top bits ignored; tag runs past the end
  EXPECT_EQ(engine_.TagSize, (1 << 28) - 1);
  EXPECT_EQ(engine_.refreshes, 3);
}

TEST_F(TagReaderTest, FramesAndPaddingAreWalked) {
  const std::string frames = Frame("TIT2", "\0Title"s) + Frame("TPE1", "\0Artist"s) + Frame("TALB", "\0Album"s);
  Read(Tag(frames, 37) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 3u);
  EXPECT_EQ(engine_.Frames[0].FrameId, "TIT2");
  EXPECT_EQ(engine_.Frames[1].FrameId, "TPE1");
  EXPECT_EQ(engine_.Frames[2].FrameId, "TALB");
  EXPECT_EQ(engine_.TagTitle, "Title");
  EXPECT_EQ(engine_.TagArtist, "Artist");
  EXPECT_EQ(engine_.TagAlbum, "Album");
  EXPECT_EQ(engine_.TagSize, static_cast<std::int32_t>(frames.size() + 37));
  EXPECT_EQ(engine_.refreshedFrames, 3u);
}

TEST_F(TagReaderTest, EveryValueComesFromItsFrame) {
  const std::string frames = Frame("TIT2", "\0t"s) + Frame("TPE1", "\0a"s) + Frame("TALB", "\0l"s) +
                             Frame("COMM", "\0c"s) + Frame("TYER", "\0y"s) + Frame("TRCK", "\0n"s) +
                             Frame("TCON", "\0g"s) + Frame("TIT1", "\0k"s) + Frame("TOWN", "\0o"s);
  Read(Tag(frames) + audio_);
  EXPECT_EQ(engine_.TagTitle + engine_.TagArtist + engine_.TagAlbum + engine_.TagComment + engine_.TagYear +
                engine_.TagTrack + engine_.TagGenre + engine_.TagCategory + engine_.TagOwner,
            "talcyngko");
}

TEST_F(TagReaderTest, TextIsDecodedByItsEncodingByte) {
  struct Case {
    const char* id;
    const char* content;
    std::string value;  // UTF-8
  };
  const Case cases[] = {
      {"TIT2", "00 41 62 63 00", "Abc"},
      // ISO-8859-1 keeps every byte, the ones the old filter dropped too.
      {"TIT2", "00 61 62 63 FE 64 65", "abc\u00FEde"},
      {"TIT2", "00 61 62 FF 63", "ab\u00FFc"},
      {"TIT2", "01 FF FE 41 00 42 00 00 00", "AB"},
      {"TIT2", "01 FE FF 00 41 00 42", "AB"},
      {"TIT2", "01 41 00 42 00", "AB"},  // no byte-order mark: little-endian
      {"TIT2", "01 FF FE 1C 04 43 04 3C 04 38 04 39 04", "\u041C\u0443\u043C\u0438\u0439"},
      {"TIT2", "01 FF FE 3C D8 B5 DF", "\U0001F3B5"},   // a surrogate pair
      {"TIT2", "01 FF FE 00 D8 41 00", "\uFFFDA"},       // an unpaired surrogate
      {"TIT2", "01 FF FE 41 00 42", "A\uFFFD"},          // a unit cut in half
      {"TIT2", "02 00 41 04 1C", "A\u041C"},
      {"TIT2", "03 C3 A9 E6 97 A5", "\u00E9\u65E5"},
      {"TIT2", "03 C3 28", "\uFFFD("},
      // Several values, as v2.4 separates them, are joined with "/".
      {"TIT2", "03 41 00 42 00", "A/B"},
      {"TIT2", "01 FF FE 41 00 00 00 FF FE 42 00", "A/B"},
      // Any other first byte: the whole content is ISO-8859-1.
      {"TIT2", "41 62 00 63", "Abc"},
      {"TIT2", "", ""},
      // The comment is the text behind the language and an empty description.
      {"COMM", "00 65 6E 67 00 48 69", "Hi"},
      {"COMM", "01 65 6E 67 FF FE 00 00 FF FE 48 00", "H"},
      {"COMM", "03 64 65 75 00 C3 BC", "\u00FC"},
      {"COMM", "00 65 6E 67 00 00", ""},
      // A comment with a description is player data, not the comment.
      {"COMM", "01 65 6E 67 FF FE 64 00 00 00 FF FE 48 00 69 00", ""},
      {"COMM", "00 65 6E 67 69 54 75 6E 4E 4F 52 4D 00 20 30 30", ""},
      // Written right after the encoding byte, with no language: the whole
      // content is the comment.
      {"COMM", "00 48 65 6C 6C 6F 00", "Hello"},
      {"COMM", "00 48 69 00", "Hi"},
      {"COMM", "00 48 65 6C 6C 6F", "Hello"},
  };
  for (const Case& c : cases) {
    Read(Tag(Frame(c.id, Hex(c.content))) + audio_);
    ASSERT_EQ(engine_.Frames.size(), 1u) << c.content;
    const T_Frame_Mp3& frame = engine_.Frames[0];
    EXPECT_EQ(ToHex(frame.FrameContent), c.content) << c.content;
    const std::uint32_t size = (frame.FrameSize[0] << 24) | (frame.FrameSize[1] << 16) | (frame.FrameSize[2] << 8) |
                               frame.FrameSize[3];
    EXPECT_EQ(size, frame.FrameContent.size()) << c.content;
    const std::string& value = std::string(c.id) == "COMM" ? engine_.TagComment : engine_.TagTitle;
    EXPECT_EQ(value, c.value) << c.content;
  }
}

TEST_F(TagReaderTest, CommentIsTheLastOneWithoutDescription) {
  const std::string frames = Frame("COMM", "\0engreal\0"s) + Frame("COMM", "\0eng\0the comment"s) +
                             Frame("COMM", "\0engiTunPGAP\0"s "0") + Frame("COMM", "\0XXX\0"s "\0"s);
  Read(Tag(frames) + audio_);
  EXPECT_EQ(engine_.TagComment, "");
  Read(Tag(Frame("COMM", "\0eng\0first"s) + Frame("COMM", "\0fra\0second"s) +
           Frame("COMM", "\0engiTunNORM\0"s " 000001")) + audio_);
  EXPECT_EQ(engine_.TagComment, "second");
}

TEST_F(TagReaderTest, YearFromTyerElseFromTdrc) {
  struct Case {
    std::string frames, year;
  };
  const Case cases[] = {
      {Frame("TDRC", "\x03" "2004-05-06T07:08"s), "2004"},
      {Frame("TYER", "\0" "1999"s) + Frame("TDRC", "\x03" "2004"s), "1999"},
      {Frame("TDRC", "\x03" "2004"s) + Frame("TYER", "\0" "1999"s), "1999"},
      {Frame("TDRC", "\x03" "87"s), "87"},
  };
  for (const Case& c : cases) {
    Read(Tag(c.frames, 0, 4) + audio_);
    EXPECT_EQ(engine_.TagYear, c.year);
  }
}

TEST_F(TagReaderTest, PictureIsNotFiltered) {
  Read(Tag(Frame("APIC", Hex("01 FE FF 00 89 50"))) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 1u);
  EXPECT_EQ(ToHex(engine_.Frames[0].FrameContent), "01 FE FF 00 89 50");
}

TEST_F(TagReaderTest, LastFrameOfAnIdWins) {
  Read(Tag(Frame("TPE1", "\0First"s) + Frame("TPE1", "\0Second"s)) + audio_);
  EXPECT_EQ(engine_.TagArtist, "Second");
  Read(Tag(Frame("TPE1", "\0First"s) + Frame("TPE1", "")) + audio_);
  EXPECT_EQ(engine_.TagArtist, "");
  EXPECT_EQ(engine_.Frames.size(), 2u);
}

TEST_F(TagReaderTest, GenreReferenceIsResolved) {
  struct Case {
    std::string content, genre;
  };
  const Case cases[] = {{"\0(17)"s, "Rock"}, {"\0(17)Rock"s, "(17)Rock"}, {"\0(126)"s, "(126)"}, {"\0Jazz"s, "Jazz"}};
  for (const Case& c : cases) {
    Read(Tag(Frame("TCON", c.content)) + audio_);
    EXPECT_EQ(engine_.TagGenre, c.genre);
  }
}

TEST_F(TagReaderTest, WalkFollowsDeclaredSizesAndKeepsEveryFrame) {
  // Frames outside the v2.3 list are kept, and their sizes are followed: a
  // frame id inside another frame's content is content.
  const std::string hidden = Frame("TIT2", "\0in"s);
  const std::string frames = Frame("TDRC", "\0" "2001"s) + Frame("XYZW", "ab" + hidden) + Frame("TCMP", "\0" "1"s) +
                             Frame("TPE1", "\0p"s);
  Read(Tag(frames, 40) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 4u);
  EXPECT_EQ(engine_.Frames[1].FrameId, "XYZW");
  EXPECT_EQ(engine_.Frames[1].FrameContent, "ab" + hidden);
  EXPECT_EQ(engine_.Frames[2].FrameId, "TCMP");
  EXPECT_EQ(engine_.TagTitle, "");
  EXPECT_EQ(engine_.TagArtist, "p");
  EXPECT_EQ(engine_.refreshes, 1);
}

TEST_F(TagReaderTest, DamageIsPassedInStepsOfFourAndPaddingEndsTheWalk) {
  // No well-formed id at "xyzw" and "ab@#": the walk moves on 4 bytes at a
  // time and takes the frame that lines up.
  Read(Tag("xyzwab@#" + Frame("TIT2", "\0in"s) + Frame("TPE1", "\0p"s)) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 2u);
  EXPECT_EQ(engine_.TagTitle, "in");
  // A zero byte where an id would start is padding: what follows inside the
  // tag is not read.
  Read(Tag(Frame("TIT2", "\0in"s) + std::string(4, '\0') + Frame("TPE1", "\0p"s)) + audio_);
  EXPECT_EQ(engine_.Frames.size(), 1u);
  EXPECT_EQ(engine_.TagArtist, "");
}

TEST_F(TagReaderTest, DamagedFrameEndsTheReadAndKeepsEarlierFrames) {
  struct Case {
    const char* name;
    std::string frames;
    std::string tail;
  };
  const Case cases[] = {
      // A size of 5000 with only 100 bytes left in the file.
      {"past end", Frame("TIT2", "\0ok"s) + "TPE1" + Hex("00 00 13 88 00 00"), std::string(100, 'x')},
      {"negative size", Frame("TIT2", "\0ok"s) + "TPE1" + Hex("80 00 00 01 00 00"), std::string(100, 'x')},
      {"cut in the size", Frame("TIT2", "\0ok"s) + "TPE1" + Hex("00 00"), ""},
      {"cut in the id", Frame("TIT2", "\0ok"s) + "TP", ""},
  };
  for (const Case& c : cases) {
    engine_.refreshes = 0;
    Read(Header(200) + c.frames + c.tail);
    ASSERT_EQ(engine_.Frames.size(), 1u) << c.name;
    EXPECT_EQ(engine_.TagTitle, "ok") << c.name;
    EXPECT_EQ(engine_.TagSize, 200) << c.name;
    EXPECT_EQ(engine_.refreshes, 0) << c.name;
  }
}

TEST_F(TagReaderTest, FileShorterThanAHeaderEndsTheRead) {
  Read(Tag(Frame("TIT2", "\0abc"s)));
  const auto header = engine_.Id3v2Header;
  engine_.refreshes = 0;
  Read("ID3");
  EXPECT_EQ(engine_.Id3v2Header, header);
  EXPECT_EQ(engine_.TagSize, 0);
  EXPECT_EQ(engine_.refreshes, 0);
}

TEST_F(TagReaderTest, FrameMayReachPastTheTagButNotPastTheFile) {
  // The tag claims 20 bytes, the frame holds 2000: read whole.
  const std::string content = "\0"s + std::string(1999, 'q');
  Read(Header(20) + Frame("TIT2", content) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 1u);
  EXPECT_EQ(engine_.TagTitle, std::string(1999, 'q'));
  EXPECT_EQ(engine_.refreshes, 1);
}

TEST_F(TagReaderTest, Version4FrameSizesAreSyncsafe) {
  // A 200-byte frame: syncsafe 00 00 01 48, which plain big-endian would
  // read as 328 and lose the next frame.
  const std::string big = "\0"s + std::string(199, 'b');
  const std::string frames = FrameV4("TIT2", big) + FrameV4("TPE1", "\0next"s);
  Read(Tag(frames, 0, 4) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 2u);
  EXPECT_EQ(engine_.TagTitle, std::string(199, 'b'));
  EXPECT_EQ(engine_.TagArtist, "next");
  EXPECT_EQ(ToHex(std::string(engine_.Frames[0].FrameSize.begin(), engine_.Frames[0].FrameSize.end())),
            "00 00 00 C8");

  // The same sizes under version 3 are plain.
  Read(Tag(Frame("TIT2", big) + Frame("TPE1", "\0next"s), 0, 3) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 2u);
  EXPECT_EQ(engine_.TagArtist, "next");

  // A size byte with its top bit set is no syncsafe size: some writers put
  // plain sizes into v2.4 tags, and so are they read.
  Read(Tag(Frame("TIT2", "\0x"s) + "TPE1" + Hex("00 00 00 80 00 00") + "\0"s + std::string(127, 'z'), 0, 4));
  ASSERT_EQ(engine_.Frames.size(), 2u);
  EXPECT_EQ(engine_.TagArtist, std::string(127, 'z'));
  // Plain sizes whose bytes would pass as syncsafe (257 plain, 129
  // syncsafe) are told apart by where the next frame starts.
  Read(Tag(Frame("TIT2", "\0"s + std::string(256, 'b')) + Frame("TPE1", "\0next"s), 0, 4) + audio_);
  ASSERT_EQ(engine_.Frames.size(), 2u);
  EXPECT_EQ(engine_.TagArtist, "next");
}

TEST_F(TagReaderTest, TagRegionIsReadInOneGo) {
  std::string frames;
  for (int i = 0; i < 40; ++i) frames += Frame(i % 2 ? "TXXX" : "PRIV", std::string(50, 'f'));
  const std::string path = Write(Tag(frames, 500) + std::string(100000, 'a'));
  test_support::ScriptedFaults faults;
  engine_.ReadTag(path);
  ASSERT_EQ(engine_.Frames.size(), 40u);
  int reads = 0;
  for (const auto& seen : faults.seen()) reads += seen.step == platform::FileStep::Read;
  EXPECT_LE(reads, 2);  // the header, then the rest of the tag
}

TEST_F(TagReaderTest, AnyBytesEndTheReadCleanly) {
  // Every cut of a real tag, then random damage: no crash, no hang.
  const std::string good = Tag(Frame("TIT2", "\0Title"s) + Frame("APIC", Hex("00 FF FE 01")) +
                               FrameV4("COMM", "\x01\xFF\xFE"s + "x\0"s), 16) + audio_;
  const std::string path = dir_.Path("fuzz.mp3");
  for (std::size_t cut = 0; cut <= good.size(); ++cut) {
    Write(good.substr(0, cut), "fuzz.mp3");
    engine_.ReadTag(path);
  }
  std::mt19937 random(1234);
  for (int round = 0; round < 300; ++round) {
    std::string bytes = good;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
    if (round % 3 == 0) bytes.replace(3, 1, 1, static_cast<char>(round % 2 ? 4 : 3));
    Write(bytes, "fuzz.mp3");
    engine_.ReadTag(path);
    for (const T_Frame_Mp3& frame : engine_.Frames) EXPECT_LE(frame.FrameContent.size(), bytes.size());
  }
}

// A v2.2 frame: 3-letter id, 3-byte size, no flags.
std::string FrameV22(std::string_view id, const std::string& content) {
  const auto n = static_cast<std::uint32_t>(content.size());
  return std::string(id) + static_cast<char>(n >> 16) + static_cast<char>(n >> 8) + static_cast<char>(n) + content;
}

// Unsynchronisation: a zero byte after every FF.
std::string Unsynchronise(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    out += c;
    if (static_cast<unsigned char>(c) == 0xFF) out += '\0';
  }
  return out;
}

TEST_F(TagReaderTest, Version22FramesTakeTheirV23Ids) {
  const std::string frames =
      FrameV22("TT2", "\0Title"s) + FrameV22("TP1", Hex("01 FF FE 10 04 40 04 42 04")) + FrameV22("TAL", "\0Album"s) +
      FrameV22("TYE", "\0" "1998"s) + FrameV22("TRK", "\0" "3/9"s) + FrameV22("TCO", "\0(12)"s) +
      FrameV22("TCP", "\0" "1"s) + FrameV22("CRM", "owner\0xx"s) + FrameV22("COM", "\0eng\0old comment"s) +
      FrameV22("PIC", "\0JPG\x03" "cover\0"s + Hex("FF D8 FF E0"));
  Read(Tag(frames, 20, 2) + audio_);
  std::string ids;
  for (const T_Frame_Mp3& f : engine_.Frames) ids += f.FrameId + " ";
  EXPECT_EQ(ids, "TIT2 TPE1 TALB TYER TRCK TCON TCMP COMM APIC ");
  EXPECT_EQ(engine_.TagTitle, "Title");
  EXPECT_EQ(engine_.TagArtist, "\u0410\u0440\u0442");
  EXPECT_EQ(engine_.TagAlbum, "Album");
  EXPECT_EQ(engine_.TagYear, "1998");
  EXPECT_EQ(engine_.TagTrack, "3/9");
  EXPECT_EQ(engine_.TagGenre, "Other");
  EXPECT_EQ(engine_.TagComment, "old comment");
  EXPECT_EQ(ToHex(engine_.Frames.back().FrameContent), ToHex("\0image/jpeg\0\x03" "cover\0"s + Hex("FF D8 FF E0")));
  EXPECT_EQ(engine_.refreshes, 1);
}

TEST_F(TagReaderTest, UnsynchronisationIsUndone) {
  const std::string title = "\0" "a\xFF\xFE" "b"s;
  const std::string picture = "\0image/png\0\x03\0"s + Hex("FF 00 FF E0 FF");
  const std::string plain = Frame("TIT2", title) + Frame("APIC", picture) + Frame("TPE1", "\0p"s);
  // v2.3: the whole tag, frame headers included; sizes count the bytes
  // before unsynchronisation.
  const std::string v23 = Unsynchronise(plain);
  Read(Header(static_cast<std::uint32_t>(v23.size()), 3, 0x80) + v23 + audio_);
  ASSERT_EQ(engine_.Frames.size(), 3u);
  EXPECT_EQ(engine_.TagTitle, "a\u00FF\u00FE" "b");
  EXPECT_EQ(ToHex(engine_.Frames[1].FrameContent), ToHex(picture));
  EXPECT_EQ(engine_.TagArtist, "p");
  // v2.4: each frame by its own flag, or all of them by the header's.
  const std::string v24 = FrameV4("TIT2", Unsynchronise(title), 0, 0x02) + FrameV4("APIC", picture) +
                          FrameV4("TPE1", "\0p"s);
  Read(Tag(v24, 0, 4) + audio_);
  EXPECT_EQ(engine_.TagTitle, "a\u00FF\u00FE" "b");
  EXPECT_EQ(ToHex(engine_.Frames[1].FrameContent), ToHex(picture));
  const std::string all = FrameV4("TIT2", Unsynchronise(title)) + FrameV4("APIC", Unsynchronise(picture));
  Read(Header(static_cast<std::uint32_t>(all.size()), 4, 0x80) + all + audio_);
  EXPECT_EQ(engine_.TagTitle, "a\u00FF\u00FE" "b");
  EXPECT_EQ(ToHex(engine_.Frames[1].FrameContent), ToHex(picture));
}

TEST_F(TagReaderTest, DataLengthIndicatorAndExtendedHeaderAreSkipped) {
  // v2.4 data length indicator: four syncsafe bytes before the content.
  Read(Tag(FrameV4("TIT2", Hex("00 00 00 04") + "\0abc"s, 0, 0x01), 0, 4) + audio_);
  EXPECT_EQ(engine_.TagTitle, "abc");
  EXPECT_EQ(ToHex(engine_.Frames[0].FrameContent), "00 61 62 63");
  // v2.3 extended header: its size counts the bytes after the size field.
  const std::string frames = Frame("TIT2", "\0abc"s);
  const std::string ext3 = Hex("00 00 00 06 00 00 00 00 00 00");
  Read(Header(static_cast<std::uint32_t>(ext3.size() + frames.size()), 3, 0x40) + ext3 + frames + audio_);
  EXPECT_EQ(engine_.TagTitle, "abc");
  // v2.4: syncsafe, counting itself.
  const std::string ext4 = Hex("00 00 00 06 01 00");
  Read(Header(static_cast<std::uint32_t>(ext4.size() + frames.size()), 4, 0x40) + ext4 + frames + audio_);
  EXPECT_EQ(engine_.TagTitle, "abc");
  // An extended header larger than the tag is damage: nothing is read.
  engine_.refreshes = 0;
  Read(Header(10, 3, 0x40) + Hex("00 00 01 00") + "abcdef" + audio_);
  EXPECT_TRUE(engine_.Frames.empty());
  EXPECT_EQ(engine_.refreshes, 0);
}

}  // namespace
