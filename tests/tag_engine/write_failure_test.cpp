// Why a tag write failed: the cause WriteTagV2 leaves in LastWriteFailure,
// from the file system's answer (through the fault hook, and for real) or
// from what the tag itself says.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/tag_fixtures.h"
#include "support/temp_dir.h"
#include "tag_engine/mp3_tag_engine.h"

using namespace std::string_literals;
using platform::FileStep;
using test_support::Frame;
using test_support::Header;
using test_support::Hex;
using test_support::ScriptedFaults;
using test_support::StepName;
using test_support::Tag;
using WriteFailure = Mp3TagEngine::WriteFailure;

namespace fs = std::filesystem;

namespace {

const char* Name(WriteFailure f) {
  switch (f) {
    case WriteFailure::None: return "None";
    case WriteFailure::Vanished: return "Vanished";
    case WriteFailure::NotWritable: return "NotWritable";
    case WriteFailure::DiskFull: return "DiskFull";
    case WriteFailure::TagPastEnd: return "TagPastEnd";
    case WriteFailure::TagTooLarge: return "TagTooLarge";
    case WriteFailure::Other: return "Other";
  }
  return "?";
}

class WriteFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.Path("data"));
    engine_.DataFolder = dir_.Path("data") + "/";
  }

  std::string Put(const std::string& bytes) { return dir_.WriteFile("music/song.mp3", bytes); }

  bool Rewrite(const std::string& path) {
    engine_.ReadTag(path);
    return engine_.WriteTagV2(path, "t", "", "", "", "", "", "", "", "ZQ");
  }

  const std::string song_ = Tag(Frame("TIT2", "\0old\0"s)) + Hex("FF FB 90 64 00 00 00 00 00 11 22 33");
  test_support::TempDir dir_;
  Mp3TagEngine engine_;
};

TEST_F(WriteFailureTest, ErrnoOfTheFailedStepNamesTheCause) {
  struct Case {
    FileStep step;
    int error;
    WriteFailure expected;
  };
  const Case cases[] = {
      {FileStep::OpenWrite, EACCES, WriteFailure::NotWritable},
      {FileStep::OpenWrite, EROFS, WriteFailure::NotWritable},
      {FileStep::OpenWrite, ETXTBSY, WriteFailure::NotWritable},
      {FileStep::Rename, EPERM, WriteFailure::NotWritable},
      {FileStep::Resolve, ENOENT, WriteFailure::Vanished},
      {FileStep::OpenWrite, ENOENT, WriteFailure::Vanished},
      {FileStep::Create, ENOSPC, WriteFailure::DiskFull},
      {FileStep::Write, EDQUOT, WriteFailure::DiskFull},
      {FileStep::Copy, ENOSPC, WriteFailure::DiskFull},
      {FileStep::Sync, ENOSPC, WriteFailure::DiskFull},
      {FileStep::Sync, EIO, WriteFailure::Other},
      {FileStep::Size, EIO, WriteFailure::Other},
      {FileStep::Close, EIO, WriteFailure::Other},
  };
  for (const Case& c : cases) {
    const std::string path = Put(song_);
    engine_.ReadTag(path);
    ScriptedFaults faults;
    faults.FailStep(c.step, 1, c.error);
    EXPECT_FALSE(engine_.WriteTagV2(path, "t", "", "", "", "", "", "", "", "ZQ"));
    EXPECT_STREQ(Name(engine_.LastWriteFailure), Name(c.expected))
        << StepName(c.step) << " errno " << c.error;
    EXPECT_EQ(dir_.ReadFile(path), song_) << StepName(c.step);
  }
}

TEST_F(WriteFailureTest, FullDiskOnTheCopyBesideATargetOnAnotherFileSystem) {
  // Across file systems the new file is copied beside the target; when that
  // copy fails, cleaning it away must not hide why.
  const std::string path = Put(song_);
  std::size_t besideCreate = 0;
  {
    engine_.ReadTag(path);
    ScriptedFaults dryRun;
    dryRun.FailStep(FileStep::Rename, 1, EXDEV);
    ASSERT_TRUE(engine_.WriteTagV2(path, "t", "", "", "", "", "", "", "", "ZQ"));
    int creates = 0;
    for (std::size_t i = 0; i < dryRun.seen().size(); ++i)
      if (dryRun.seen()[i].step == FileStep::Create && ++creates == 2) besideCreate = i + 1;
  }
  ASSERT_NE(besideCreate, 0u);
  Put(song_);
  engine_.ReadTag(path);
  ScriptedFaults faults;
  faults.FailStep(FileStep::Rename, 1, EXDEV);
  faults.FailNth(besideCreate, ENOSPC);
  EXPECT_FALSE(engine_.WriteTagV2(path, "t", "", "", "", "", "", "", "", "ZQ"));
  EXPECT_STREQ(Name(engine_.LastWriteFailure), "DiskFull");
  EXPECT_EQ(dir_.ReadFile(path), song_);
}

TEST_F(WriteFailureTest, CausesFoundWithoutTheHook) {
  // Missing: nothing at the path any more.
  EXPECT_FALSE(Rewrite(dir_.Path("music/gone.mp3")));
  EXPECT_STREQ(Name(engine_.LastWriteFailure), "Vanished");
  // A folder where the file was is no file we can write, but not gone.
  fs::create_directories(dir_.Path("music/folder.mp3"));
  EXPECT_FALSE(Rewrite(dir_.Path("music/folder.mp3")));
  EXPECT_STREQ(Name(engine_.LastWriteFailure), "Other");
  // A header that counts more bytes than the file holds.
  const std::string cut = Header(200) + Frame("TIT2", "\0x\0"s);
  const std::string path = Put(cut);
  EXPECT_FALSE(Rewrite(path));
  EXPECT_STREQ(Name(engine_.LastWriteFailure), "TagPastEnd");
  EXPECT_EQ(dir_.ReadFile(path), cut);
  // A success afterwards clears the cause.
  Put(song_);
  EXPECT_TRUE(Rewrite(path));
  EXPECT_STREQ(Name(engine_.LastWriteFailure), "None");
}

TEST_F(WriteFailureTest, ReadOnlyFileIsNotWritable) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  const std::string path = Put(song_);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(Rewrite(path));
  EXPECT_STREQ(Name(engine_.LastWriteFailure), "NotWritable");
}

}  // namespace
