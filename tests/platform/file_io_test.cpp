#include "platform/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/tag_fixtures.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using platform::File;
using platform::FileStep;
using test_support::ScriptedFaults;

namespace {

// Descriptors this process has open, to show that nothing leaks.
int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return bytes;
}

class FileIoTest : public ::testing::Test {
 protected:
  test_support::TempDir dir_;
};

TEST_F(FileIoTest, HandlesCloseThemselves) {
  const std::string path = dir_.WriteFile("a.bin", "0123456789");
  const int before = OpenDescriptors();
  {
    std::optional<File> a = File::OpenRead(path);
    std::optional<File> b = File::OpenReadWrite(path);
    std::optional<File> c = File::CreateTruncate(dir_.Path("b.bin"));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(OpenDescriptors(), before + 3);
    File moved = std::move(*a);
    EXPECT_FALSE(a->IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    *b = std::move(moved);  // closes what b held
    EXPECT_EQ(OpenDescriptors(), before + 2);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_FALSE(File::OpenRead(dir_.Path("missing")));
  EXPECT_FALSE(File::OpenReadWrite(dir_.Path("missing")));
  EXPECT_FALSE(File::CreateTruncate(dir_.Path("no/folder/x")));
  EXPECT_FALSE(File::OpenRead(path + std::string(1, '\0')));
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(FileIoTest, ReadsAreExactOrFail) {
  const std::string path = dir_.WriteFile("a.bin", "0123456789");
  std::optional<File> file = File::OpenRead(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Size(), 10u);
  char buffer[8] = {};
  ASSERT_TRUE(file->ReadAt(6, buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_FALSE(file->ReadAt(7, buffer, 4));  // would end past the file
  EXPECT_FALSE(file->ReadAt(10, buffer, 1));
  EXPECT_TRUE(file->ReadAt(10, buffer, 0));
  EXPECT_FALSE(file->WriteAt(0, "x", 1));  // read-only handle
}

TEST_F(FileIoTest, CreateEmptiesAndAppendWritesInSequence) {
  const std::string path = dir_.WriteFile("a.bin", std::string(100, 'x'));
  std::optional<File> file = File::CreateTruncate(path);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Append("abc", 3));
  ASSERT_TRUE(file->Append("de", 2));
  ASSERT_TRUE(file->Sync());
  ASSERT_TRUE(file->Close());
  EXPECT_FALSE(file->IsOpen());
  EXPECT_EQ(dir_.ReadFile("a.bin"), "abcde");
}

TEST_F(FileIoTest, CreateNeverWritesThroughALink) {
  const std::string victim = dir_.WriteFile("victim.txt", "precious");
  fs::create_symlink(victim, dir_.Path("tmp.mp3"));
  EXPECT_FALSE(File::CreateTruncate(dir_.Path("tmp.mp3")).has_value());
  EXPECT_EQ(dir_.ReadFile("victim.txt"), "precious");

  // Beside a target on another file system, a link at the copy's name is
  // removed, not written through.
  const std::string target = dir_.WriteFile("music/t.mp3", "old");
  fs::create_symlink(victim, dir_.Path("music/.beside"));
  const std::string staged = dir_.WriteFile("data/staged", "new content");
  ScriptedFaults faults;
  faults.FailStep(FileStep::Rename, 1, EXDEV);
  ASSERT_TRUE(platform::ReplaceFile(staged, target, ".beside"));
  EXPECT_EQ(dir_.ReadFile("music/t.mp3"), "new content");
  EXPECT_EQ(dir_.ReadFile("victim.txt"), "precious");
}

TEST_F(FileIoTest, CopyRangeCopiesAcrossChunkBoundaries) {
  // Larger than one 1 MiB chunk and not a multiple of it.
  const std::string source = Pattern((std::size_t{3} << 20) + 4097);
  const std::string path = dir_.WriteFile("src.bin", source);
  std::optional<File> in = File::OpenRead(path);
  std::optional<File> out = File::CreateTruncate(dir_.Path("dst.bin"));
  ASSERT_TRUE(in && out);
  ASSERT_TRUE(out->Append("HEAD", 4));
  ASSERT_TRUE(platform::CopyRange(*in, 1000, source.size() - 1000, *out));
  ASSERT_TRUE(out->Append("TAIL", 4));
  ASSERT_TRUE(out->Close());
  EXPECT_TRUE(dir_.ReadFile("dst.bin") == "HEAD" + source.substr(1000) + "TAIL");

  // A range that reaches past the source's end fails.
  std::optional<File> out2 = File::CreateTruncate(dir_.Path("dst2.bin"));
  ASSERT_TRUE(out2);
  EXPECT_FALSE(platform::CopyRange(*in, source.size() - 10, 11, *out2));
}

TEST_F(FileIoTest, ResolvePathFollowsEveryLink) {
  const std::string real = dir_.WriteFile("real.bin", "x");
  fs::create_symlink(real, dir_.Path("one"));
  fs::create_symlink(dir_.Path("one"), dir_.Path("two"));
  const std::optional<std::string> resolved = platform::ResolvePath(dir_.Path("two"));
  ASSERT_TRUE(resolved);
  EXPECT_EQ(*resolved, fs::canonical(real).string());
  EXPECT_FALSE(platform::ResolvePath(dir_.Path("missing")));
  EXPECT_EQ(platform::FolderOf("/a/b/c.mp3"), "/a/b/");
  EXPECT_EQ(platform::FolderOf("c.mp3"), "");
}

TEST_F(FileIoTest, ReplaceOnOneFileSystemIsOneRenameAndNoFolderSync) {
  const std::string target = dir_.WriteFile("t.mp3", "old");
  const std::string staged = dir_.WriteFile("staged", "new content");
  ASSERT_EQ(::chmod(staged.c_str(), 0604), 0);
  ScriptedFaults faults;
  ASSERT_TRUE(platform::ReplaceFile(staged, target, ".beside"));
  EXPECT_EQ(dir_.ReadFile("t.mp3"), "new content");
  EXPECT_FALSE(fs::exists(staged));
  // The staged file's own permission bits: setting them is the caller's
  // part, before its sync.
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  // The folder is synced once for many files by the caller, not here.
  ASSERT_EQ(faults.seen().size(), 1u);
  EXPECT_EQ(faults.seen()[0].step, FileStep::Rename);
}

TEST_F(FileIoTest, SameFileSystemIsToldByDevice) {
  const std::string a = dir_.WriteFile("a/x", "x");
  const std::string b = dir_.WriteFile("b/y", "y");
  EXPECT_EQ(platform::OnSameFileSystem(dir_.Path("a"), b), std::optional<bool>(true));
  EXPECT_EQ(platform::OnSameFileSystem(dir_.Path("missing"), a), std::nullopt);
  EXPECT_EQ(platform::OnSameFileSystem(a + "/", b), std::nullopt);  // a file is no folder
  struct stat here {}, shm {};
  if (::stat("/dev/shm", &shm) == 0 && ::stat(a.c_str(), &here) == 0 && shm.st_dev != here.st_dev) {
    EXPECT_EQ(platform::OnSameFileSystem("/dev/shm", a), std::optional<bool>(false));
  }
}

TEST_F(FileIoTest, ReplaceAcrossFileSystemsGoesThroughACopyBeside) {
  const std::string target = dir_.WriteFile("music/t.mp3", "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const std::string staged = dir_.WriteFile("data/staged", "new content");
  {
    ScriptedFaults faults;
    faults.FailStep(FileStep::Rename, 1, EXDEV);
    ASSERT_TRUE(platform::ReplaceFile(staged, target, ".beside"));
    bool copiedBeside = false;
    for (const auto& seen : faults.seen()) {
      if (seen.step == FileStep::Create && seen.path == dir_.Path("music/.beside")) copiedBeside = true;
    }
    EXPECT_TRUE(copiedBeside);
  }
  EXPECT_EQ(dir_.ReadFile("music/t.mp3"), "new content");
  EXPECT_FALSE(fs::exists(dir_.Path("music/.beside")));
  EXPECT_TRUE(fs::exists(staged));  // the caller's to remove
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileIoTest, FailedReplaceLeavesTargetAndNothingBeside) {
  for (const bool acrossFileSystems : {false, true}) {
    auto attempt = [&](std::size_t failNth, bool& replaced) {
      const std::string target = dir_.WriteFile("music/t.mp3", "old");
      const std::string staged = dir_.WriteFile("data/staged", "new content");
      ScriptedFaults faults;
      if (acrossFileSystems) faults.FailStep(FileStep::Rename, 1, EXDEV);
      faults.FailNth(failNth);
      replaced = platform::ReplaceFile(staged, target, ".beside");
      return faults.seen();
    };
    bool replaced = false;
    const auto steps = attempt(0, replaced);
    ASSERT_TRUE(replaced) << acrossFileSystems;
    for (std::size_t n = 1; n <= steps.size(); ++n) {
      attempt(n, replaced);
      const char* step = test_support::StepName(steps[n - 1].step);
      if (replaced) {
        // Clearing a leftover copy that was not there.
        EXPECT_EQ(steps[n - 1].step, FileStep::Remove) << step;
        EXPECT_EQ(dir_.ReadFile("music/t.mp3"), "new content") << step;
      } else {
        EXPECT_EQ(dir_.ReadFile("music/t.mp3"), "old") << n << " " << step;
      }
      EXPECT_FALSE(fs::exists(dir_.Path("music/.beside"))) << n << " " << step;
    }
  }
}

TEST_F(FileIoTest, HookAnswersBecomeErrno) {
  const std::string path = dir_.WriteFile("a.bin", "x");
  ScriptedFaults faults;
  faults.FailStep(FileStep::OpenRead, 1, EACCES);
  errno = 0;
  EXPECT_FALSE(File::OpenRead(path));
  EXPECT_EQ(errno, EACCES);
  EXPECT_TRUE(File::OpenRead(path));  // only the first
  ASSERT_EQ(faults.seen().size(), 2u);
  EXPECT_EQ(faults.seen()[0].path, path);
}

}  // namespace
