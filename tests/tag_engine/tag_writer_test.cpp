#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/tag_fixtures.h"
#include "support/temp_dir.h"
#include "tag_engine/id3_layout.h"
#include "tag_engine/mp3_tag_engine.h"

using namespace std::string_literals;
using platform::FileStep;
using test_support::Frame;
using test_support::FrameV4;
using test_support::Header;
using test_support::Hex;
using test_support::ScriptedFaults;
using test_support::StepName;
using test_support::Tag;
using test_support::ToHex;
using test_support::V1Block;

namespace fs = std::filesystem;

namespace {

// 00 + value + 00: the content of the written text frames.
std::string Text(const std::string& value) { return "\0"s + value + "\0"s; }

// The written comment: encoding 00, language "eng", an empty description
// ended by 00, the text, and a closing 00. Other readers find the comment
// only behind the language and the description.
std::string CommText(const std::string& value) { return "\0eng\0"s + value + "\0"s; }

// The nine frames as appended when none was there, in their fixed order.
std::string AppendedFrames(const std::string& artist, const std::string& album, const std::string& title,
                           const std::string& year, const std::string& comment, const std::string& track,
                           const std::string& genre, const std::string& category, const std::string& owner) {
  return Frame("TPE1", Text(artist)) + Frame("TALB", Text(album)) + Frame("TIT2", Text(title)) +
         Frame("TYER", Text(year)) + Frame("COMM", CommText(comment)) + Frame("TRCK", Text(track)) +
         Frame("TCON", Text(genre)) + Frame("TIT1", Text(category)) + Frame("TOWN", Text(owner));
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class TagWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.Path("data"));
    fs::create_directories(dir_.Path("music"));
    engine_.DataFolder = dir_.Path("data") + "/";
  }

  std::string Put(const std::string& bytes, const std::string& name = "song.mp3") {
    return dir_.WriteFile("music/" + name, bytes);
  }
  std::string Content(const std::string& path) const { return dir_.ReadFile(path); }
  std::string TempPath() const { return engine_.DataFolder + "tmp.mp3"; }

  // ReadTag then WriteTagV2 with owner "ZQ", as the batch run does.
  bool Rewrite(const std::string& path, const std::string& title, const std::string& artist = "",
               const std::string& album = "") {
    engine_.ReadTag(path);
    return engine_.WriteTagV2(path, title, artist, album, "", "", "", "", "", "ZQ");
  }

  const std::string audio_ = Hex("FF FB 90 64 00 00 00 00 00 11 22 33 44 55");
  test_support::TempDir dir_;
  Mp3TagEngine engine_;
};

TEST_F(TagWriterTest, WorkedExampleWithoutOldTag) {
  const std::string path = Put(audio_);
  ASSERT_TRUE(Rewrite(path, "abc"));
  const std::string file = Content(path);
  // 113 bytes of frames with a bare comment; the comment's language and
  // description terminator add 4.
  EXPECT_EQ(ToHex(file.substr(0, 10)), "49 44 33 03 00 00 00 00 00 75");
  const std::string tit2 = file.substr(10 + 12 + 12, 15);
  EXPECT_EQ(ToHex(tit2), "54 49 54 32 00 00 00 05 00 00 00 61 62 63 00");
  EXPECT_EQ(file, Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") + audio_);
  EXPECT_FALSE(fs::exists(TempPath()));
}

TEST_F(TagWriterTest, AllValuesEmptyGiveNineMinimalFrames) {
  const std::string path = Put(audio_);
  engine_.ReadTag(path);
  ASSERT_TRUE(engine_.WriteTagV2(path, "", "", "", "", "", "", "", "", ""));
  const std::string file = Content(path);
  EXPECT_EQ(ToHex(file.substr(6, 4)), "00 00 00 70");
  EXPECT_EQ(file, Header(112) + AppendedFrames("", "", "", "", "", "", "", "", "") + audio_);
}

TEST_F(TagWriterTest, SyncsafeSizeField) {
  struct Case {
    std::uint64_t n;
    const char* bytes;
  };
  const Case cases[] = {{0, "00 00 00 00"},       {113, "00 00 00 71"},       {127, "00 00 00 7F"},
                        {128, "00 00 01 00"},     {200, "00 00 01 48"},       {1000, "00 00 07 68"},
                        {(1u << 28) - 1, "7F 7F 7F 7F"}};
  for (const Case& c : cases) {
    const auto field = id3::EncodeSyncsafe(c.n);
    ASSERT_TRUE(field) << c.n;
    EXPECT_EQ(ToHex(std::string(field->begin(), field->end())), c.bytes) << c.n;
    EXPECT_EQ(id3::DecodeSyncsafe(field->data()), c.n);
  }
  // 28 bits is all the field holds.
  EXPECT_FALSE(id3::EncodeSyncsafe(std::uint64_t{1} << 28));
  EXPECT_FALSE(id3::EncodeSyncsafe(std::uint64_t{1} << 32));
}

TEST_F(TagWriterTest, ExistingFramesKeepTheirPlacesAndPaddingGoes) {
  const std::string picture = Hex("00 69 6D 61 67 65 2F 6A 70 65 67 00 03 00 FF D8 FF FE 01 00");
  const std::string old = Tag(Frame("TIT2", Text("old")) + Frame("APIC", picture) + Frame("TPE1", Text("x")), 64);
  const std::string v1 = V1Block('v', 17);
  const std::string path = Put(old + audio_ + v1);
  ASSERT_TRUE(Rewrite(path, "New", "Band"));
  const std::string frames = Frame("TIT2", Text("New")) + Frame("APIC", picture) + Frame("TPE1", Text("Band")) +
                             Frame("TALB", Text("")) + Frame("TYER", Text("")) + Frame("COMM", CommText("")) +
                             Frame("TRCK", Text("")) + Frame("TCON", Text("")) + Frame("TIT1", Text("")) +
                             Frame("TOWN", Text("ZQ"));
  EXPECT_EQ(ToHex(Content(path)), ToHex(Tag(frames) + audio_ + v1));
}

TEST_F(TagWriterTest, RepeatedFrameGetsTheValueInEveryCopy) {
  const std::string path = Put(Tag(Frame("TIT2", Text("a")) + Frame("TRCK", Text("1")) + Frame("TIT2", Text("b"))) +
                               audio_);
  ASSERT_TRUE(Rewrite(path, "T"));
  const std::string frames = Frame("TIT2", Text("T")) + Frame("TRCK", Text("")) + Frame("TIT2", Text("T")) +
                             Frame("TPE1", Text("")) + Frame("TALB", Text("")) + Frame("TYER", Text("")) +
                             Frame("COMM", CommText("")) + Frame("TCON", Text("")) + Frame("TIT1", Text("")) +
                             Frame("TOWN", Text("ZQ"));
  EXPECT_EQ(ToHex(Content(path)), ToHex(Tag(frames) + audio_));
}

TEST_F(TagWriterTest, OtherFramesSurviveByteForByte) {
  const std::string carried =
      Frame("APIC", Hex("00 69 6D 61 67 65 2F 70 6E 67 00 03 00 89 50 4E 47 01 FE FF 00")) +
      Frame("TXXX", Hex("01 FF FE 44 00 00 00 FF FE 31 00 FE 00")) +  // UTF-16 with byte-order marks
      Frame("PCNT", Hex("00 00 01 FE")) +                              // a play counter
      Frame("PRIV", "owner\0"s + Hex("FE FF 01 00 7F"), 0x00, 0x20) +  // grouping flag on carried data
      Frame("COMM", Text("note"), 0x40, 0x00);
  const std::string path = Put(Tag(carried + std::string(9, 'X') /* junk, passed over */, 11) + audio_);
  ASSERT_TRUE(Rewrite(path, "t", "a", "b"));
  const std::string expectedFrames =
      carried.substr(0, carried.size() - Frame("COMM", Text("note")).size()) + Frame("COMM", CommText(""), 0x40, 0x00) +
      Frame("TPE1", Text("a")) + Frame("TALB", Text("b")) + Frame("TIT2", Text("t")) + Frame("TYER", Text("")) +
      Frame("TRCK", Text("")) + Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"));
  const std::string expected = Tag(expectedFrames) + audio_;
  EXPECT_EQ(ToHex(Content(path)), ToHex(expected));

  // A second run with the same values changes nothing: no byte grows.
  ASSERT_TRUE(Rewrite(path, "t", "a", "b"));
  EXPECT_EQ(ToHex(Content(path)), ToHex(expected));
}

TEST_F(TagWriterTest, UnknownFrameIsNotWritten) {
  const std::string path = Put(Tag("XYZW" + Hex("00 00 00 04 00 00") + "abcd") + audio_);
  ASSERT_TRUE(Rewrite(path, "t"));
  EXPECT_EQ(Content(path), Tag(AppendedFrames("", "", "t", "", "", "", "", "", "ZQ")) + audio_);
}

TEST_F(TagWriterTest, UpdatedFrameLosesOnlyContentFlags) {
  struct Case {
    std::uint8_t version, old0, old1, new0, new1;
  };
  const Case cases[] = {
      {3, 0x40, 0x00, 0x40, 0x00}, {3, 0x00, 0x80, 0x00, 0x00}, {3, 0x00, 0x40, 0x00, 0x00},
      {3, 0x00, 0x20, 0x00, 0x00}, {3, 0xE0, 0xFF, 0xE0, 0x1F},
      // v2.4 flags carry the same meanings elsewhere: status bits move, the
      // format bits (grouping, compression, encryption, unsync, length) go.
      {4, 0x40, 0x00, 0x80, 0x00}, {4, 0x20, 0x4F, 0x40, 0x00}, {4, 0x10, 0x01, 0x20, 0x00},
  };
  for (const Case& c : cases) {
    const std::string frame = c.version == 4 ? FrameV4("TIT2", Text("x"), c.old0, c.old1)
                                             : Frame("TIT2", Text("x"), c.old0, c.old1);
    const std::string path = Put(Tag(frame, 0, c.version) + audio_);
    ASSERT_TRUE(Rewrite(path, "y"));
    const std::string file = Content(path);
    ASSERT_EQ(file.substr(10, 4), "TIT2");
    EXPECT_EQ(ToHex(file.substr(18, 2)), ToHex(std::string{char(c.new0), char(c.new1)}))
        << "v" << int(c.version) << " " << int(c.old0) << "," << int(c.old1);
    ASSERT_EQ(file.substr(23, 4), "TPE1");
    EXPECT_EQ(ToHex(file.substr(31, 2)), "00 00");  // the first appended frame
  }
}

TEST_F(TagWriterTest, Version4TagBecomesVersion3) {
  const std::string longText = "\x03"s + std::string(199, 'u');  // 200 bytes: syncsafe 00 00 01 48
  const std::string old = Tag(FrameV4("TXXX", longText, 0x40, 0x41) + FrameV4("TIT2", Text("old")), 5, 4);
  const std::string path = Put(old + audio_);
  ASSERT_TRUE(Rewrite(path, "new"));
  const std::string file = Content(path);
  const std::string txxx = Frame("TXXX", longText, 0x80, 0x20);  // plain size 00 00 00 C8
  EXPECT_EQ(ToHex(txxx.substr(4, 4)), "00 00 00 C8");
  EXPECT_EQ(file, Tag(txxx + Frame("TIT2", Text("new")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
                      Frame("TYER", Text("")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) +
                      Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"))) +
                      audio_);
}

TEST_F(TagWriterTest, Version4FooterGoesWithTheOldTag) {
  const std::string frames = FrameV4("TIT2", Text("old"));
  const std::string footer = "3DI"s + Hex("04 00 10") + Header(static_cast<std::uint32_t>(frames.size())).substr(6);
  const std::string path = Put(Header(static_cast<std::uint32_t>(frames.size()), 4, 0x10) + frames + footer + audio_);
  ASSERT_TRUE(Rewrite(path, "new"));
  const std::string file = Content(path);
  EXPECT_EQ(file, Tag(Frame("TIT2", Text("new")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
                      Frame("TYER", Text("")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) +
                      Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"))) +
                      audio_);
}

TEST_F(TagWriterTest, FooterFlagWithoutFooterKeepsAllAudio) {
  const std::string frames = FrameV4("TIT2", Text("old"));
  const std::string path = Put(Header(static_cast<std::uint32_t>(frames.size()), 4, 0x10) + frames + audio_);
  ASSERT_TRUE(Rewrite(path, "new"));
  const std::string file = Content(path);
  ASSERT_GE(file.size(), audio_.size());
  EXPECT_EQ(ToHex(file.substr(file.size() - audio_.size())), ToHex(audio_));
  EXPECT_EQ(file.size(), 10 + 15 + 6 * 12 + 16 /* COMM */ + 14 + audio_.size());
}

TEST_F(TagWriterTest, ValuesReadBackUnchanged) {
  const std::string path = Put(Tag(Frame("TIT2", Text("old")), 30) + audio_);
  engine_.ReadTag(path);
  const std::string latin1 = "Caf\xE9 \xC0 l'\xEEle";
  ASSERT_TRUE(engine_.WriteTagV2(path, latin1, "Band", "Record", "Nice one", "2009", "7/12", "(17)", "Cat", "ZQ"));
  engine_.ReadTag(path);
  EXPECT_EQ(engine_.TagTitle, latin1);
  EXPECT_EQ(engine_.TagArtist, "Band");
  EXPECT_EQ(engine_.TagAlbum, "Record");
  EXPECT_EQ(engine_.TagComment, "Nice one");
  EXPECT_EQ(engine_.TagYear, "2009");
  EXPECT_EQ(engine_.TagTrack, "7/12");
  EXPECT_EQ(engine_.TagGenre, "Rock");
  EXPECT_EQ(engine_.TagCategory, "Cat");
  EXPECT_EQ(engine_.TagOwner, "ZQ");
  EXPECT_EQ(Content(path).substr(Content(path).size() - audio_.size()), audio_);
}

TEST_F(TagWriterTest, NoRegularFileGivesFalse) {
  ASSERT_EQ(::mkdir(dir_.Path("music/folder.mp3").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(dir_.Path("music/fifo.mp3").c_str(), 0600), 0);
  for (const char* name : {"missing.mp3", "folder.mp3", "fifo.mp3"}) {
    EXPECT_FALSE(engine_.WriteTagV2(dir_.Path("music/") + name, "t", "", "", "", "", "", "", "", "ZQ")) << name;
    EXPECT_FALSE(engine_.WriteTagV1(dir_.Path("music/") + name, "t", "", "", "", "")) << name;
  }
  EXPECT_FALSE(fs::exists(TempPath()));
  EXPECT_EQ(Entries(dir_.Path("music")), (std::vector<std::string>{"fifo.mp3", "folder.mp3"}));
}

TEST_F(TagWriterTest, TagSizePastTheEndLeavesTheFile) {
  const std::string bytes = Header(5000) + Frame("TIT2", Text("x")) + audio_;
  const std::string path = Put(bytes);
  EXPECT_FALSE(Rewrite(path, "t"));
  EXPECT_EQ(Content(path), bytes);
  EXPECT_FALSE(fs::exists(TempPath()));
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
}

TEST_F(TagWriterTest, TagOfTwoToThe28BytesIsRefused) {
  // The syncsafe size field holds 28 bits. One carried frame brings the tag
  // to exactly 2^28 bytes of frames: 10 + L for it, 114 for the nine frames
  // with empty values and owner "ZQ".
  const std::string path = Put(audio_);
  engine_.ReadTag(path);
  T_Frame_Mp3 big;
  big.FrameId = "PRIV";
  big.FrameFlags = {0, 0};
  big.RawContent.assign((std::size_t{1} << 28) - 10 - 114, 'p');
  big.FrameContent = big.RawContent;
  engine_.Frames.push_back(std::move(big));
  EXPECT_FALSE(engine_.WriteTagV2(path, "", "", "", "", "", "", "", "", "ZQ"));
  EXPECT_EQ(engine_.LastWriteFailure, Mp3TagEngine::WriteFailure::TagTooLarge);
  EXPECT_EQ(Content(path), audio_);
  EXPECT_FALSE(fs::exists(TempPath()));
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
}

TEST_F(TagWriterTest, UnusableDataFolderLeavesTheFile) {
  const std::string bytes = Tag(Frame("TIT2", Text("x"))) + audio_;
  const std::string path = Put(bytes);
  const std::string regular = dir_.WriteFile("plain.txt", "x");
  for (const std::string& folder : {dir_.Path("no/such/folder/"), regular + "/"}) {
    engine_.DataFolder = folder;
    EXPECT_FALSE(Rewrite(path, "t")) << folder;
    EXPECT_EQ(Content(path), bytes) << folder;
  }
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
}

TEST_F(TagWriterTest, ShortFileIsNotJudgedByTheHeaderOfTheFileBefore) {
  Rewrite(Put(Tag(Frame("TIT2", Text("x")), 40) + audio_, "tagged.mp3"), "t");
  // Shorter than a header: ReadTag cannot read one, so what it left from the
  // tagged file must not place this file's audio.
  const std::string path = Put("\x01\x02\x03\x04\x05", "tiny.mp3");
  ASSERT_TRUE(Rewrite(path, "abc"));
  EXPECT_EQ(Content(path), Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") +
                               "\x01\x02\x03\x04\x05");
}

TEST_F(TagWriterTest, StaleTemporaryFileIsReplaced) {
  dir_.WriteFile("data/tmp.mp3", std::string(5000, 'J'));
  const std::string path = Put(audio_);
  ASSERT_TRUE(Rewrite(path, "abc"));
  EXPECT_EQ(Content(path), Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") + audio_);
  EXPECT_FALSE(fs::exists(TempPath()));
}

TEST_F(TagWriterTest, LinkStaysALinkAndItsTargetIsReplaced) {
  const std::string real = Put(audio_, "real.mp3");
  ASSERT_EQ(::mkdir(dir_.Path("links").c_str(), 0700), 0);
  const std::string link = dir_.Path("links/song.mp3");
  const std::string link2 = dir_.Path("links/hop.mp3");
  fs::create_symlink(real, link);
  fs::create_symlink(link, link2);
  ASSERT_TRUE(Rewrite(link2, "abc"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(link2));
  EXPECT_EQ(fs::read_symlink(link), real);
  EXPECT_EQ(Content(real), Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") + audio_);
  EXPECT_EQ(Entries(dir_.Path("links")), (std::vector<std::string>{"hop.mp3", "song.mp3"}));
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"real.mp3"});
}

TEST_F(TagWriterTest, PermissionBitsAndOwnerAreKept) {
  for (const mode_t mode : {mode_t{0640}, mode_t{0755}, mode_t{0600}, mode_t{0664}}) {
    const std::string path = Put(audio_);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(Rewrite(path, "abc"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
  if (::geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
  const std::string path = Put(audio_);
  ASSERT_EQ(::chown(path.c_str(), 12345, 23456), 0);
  ASSERT_TRUE(Rewrite(path, "abc"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 12345u);
  EXPECT_EQ(st.st_gid, 23456u);
}

TEST_F(TagWriterTest, FileWeMayNotWriteGivesFalse) {
  const std::string bytes = Tag(Frame("TIT2", Text("x"))) + audio_;
  const std::string path = Put(bytes);
  engine_.ReadTag(path);
  {
    ScriptedFaults faults;
    faults.FailStep(FileStep::OpenWrite, 1, EACCES);
    EXPECT_FALSE(engine_.WriteTagV2(path, "t", "", "", "", "", "", "", "", "ZQ"));
    EXPECT_FALSE(engine_.WriteTagV1(path, "t", "", "", "", ""));
  }
  EXPECT_EQ(Content(path), bytes);
  EXPECT_FALSE(fs::exists(TempPath()));

  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(Rewrite(path, "t"));
  EXPECT_FALSE(engine_.WriteTagV1(path, "t", "", "", "", ""));
  EXPECT_EQ(Content(path), bytes);
}

// Runs the same write with each of its file steps failing in turn.
class FailingStepTest : public TagWriterTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingStepTest, OriginalSurvivesEveryFailure) {
  const bool acrossFileSystems = GetParam();
  const std::string original =
      Tag(Frame("TIT2", Text("old")) + Frame("APIC", Hex("00 01 FE FF")), 20) + audio_ + V1Block('v', 3);
  const std::string path = Put(original);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

  auto attempt = [&](std::size_t failNth, std::string& failedStep, bool& resultTrue) {
    Put(original);
    engine_.ReadTag(path);
    ScriptedFaults faults;
    if (acrossFileSystems) faults.FailStep(FileStep::Rename, 1, EXDEV);
    faults.FailNth(failNth);
    resultTrue = engine_.WriteTagV2(path, "new", "", "", "", "", "", "", "", "ZQ");
    failedStep = faults.failed() && failNth != 0 && faults.seen().size() >= failNth
                     ? StepName(faults.seen()[failNth - 1].step)
                     : "";
    return faults.seen().size();
  };

  std::string none;
  bool ok = false;
  const std::size_t steps = attempt(0, none, ok);
  ASSERT_TRUE(ok);
  const std::string expected = Content(path);
  ASSERT_NE(expected, original);
  ASSERT_GT(steps, 8u);

  for (std::size_t n = 1; n <= steps; ++n) {
    std::string step;
    bool result = false;
    attempt(n, step, result);
    const std::string now = Content(path);
    if (result) {
      // Only steps after the replacement may fail without failing the write.
      EXPECT_TRUE(step == "SyncFolder" || step == "Remove") << n << " " << step;
      EXPECT_EQ(now, expected) << n << " " << step;
    } else {
      EXPECT_EQ(ToHex(now), ToHex(original)) << n << " " << step;
      EXPECT_FALSE(fs::exists(TempPath())) << n << " " << step;
    }
    EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"}) << n << " " << step;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << n << " " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(SameAndOtherFileSystem, FailingStepTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AcrossFileSystems" : "OneFileSystem"; });

TEST_F(TagWriterTest, CopyAcrossFileSystemsLeavesNothingBeside) {
  const std::string path = Put(Tag(Frame("TIT2", Text("x"))) + audio_);
  dir_.WriteFile("music/.quillon-tmp.mp3", "left by a killed run");
  engine_.ReadTag(path);
  ScriptedFaults faults;
  faults.FailStep(FileStep::Rename, 1, EXDEV);
  ASSERT_TRUE(engine_.WriteTagV2(path, "abc", "", "", "", "", "", "", "", "ZQ"));
  EXPECT_EQ(Content(path), Tag(Frame("TIT2", Text("abc")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
                               Frame("TYER", Text("")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) +
                               Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"))) +
                               audio_);
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
  EXPECT_FALSE(fs::exists(TempPath()));
}

}  // namespace
