// A scratch folder for one fuzz process, on a memory file system when there
// is one, so that every input can be a real file.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

inline const std::string& FuzzScratchFolder() {
  static const std::string folder = [] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::filesystem::path dir = base / ("quillon_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
  }();
  return folder;
}
