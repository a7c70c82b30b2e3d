#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quillon_fs_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const char* name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(FileSystemTest, OnlyRegularFilesCountAsFiles) {
  std::ofstream(P("a.mp3")) << "x";
  fs::create_directory(P("dir.mp3"));
  ASSERT_EQ(::mkfifo(P("fifo.mp3").c_str(), 0600), 0);
  fs::create_symlink(P("a.mp3"), P("link.mp3"));
  fs::create_symlink(P("missing"), P("dangling.mp3"));

  struct Case { const char* name; bool file; bool folder; };
  const Case cases[] = {
      {"a.mp3", true, false},      {"dir.mp3", false, true},
      {"fifo.mp3", false, false},  {"link.mp3", true, false},
      {"dangling.mp3", false, false}, {"nothing", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IsExistingFile(P(c.name)), c.file) << c.name;
    EXPECT_EQ(platform::IsExistingFolder(P(c.name)), c.folder) << c.name;
  }
  EXPECT_FALSE(platform::IsExistingFile(""));
  EXPECT_FALSE(platform::IsExistingFile(P("a.mp3") + std::string(1, '\0') + "x"));
}

}  // namespace
