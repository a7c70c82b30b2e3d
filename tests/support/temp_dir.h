// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the object goes away.
#pragma once

#include <string>

namespace test_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path, without a trailing "/".
  const std::string& path() const { return path_; }

  // path() + "/" + relative.
  std::string Path(const std::string& relative) const;

  // Writes `bytes` to the file `relative` (creating missing folders) and
  // returns its full path.
  std::string WriteFile(const std::string& relative, const std::string& bytes) const;

  // The whole content of the file `relative` (or of an absolute path);
  // empty when it cannot be read.
  std::string ReadFile(const std::string& relative) const;

 private:
  std::string path_;
};

}  // namespace test_support
