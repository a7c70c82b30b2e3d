// Small pieces the benchmarks share: the baseline copy they are measured
// against, wall-clock seconds and the process's peak memory.
#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "platform/file_io.h"

namespace bench {

// Copies `from` to `to` the way the engine copies audio (kernel copy, 1 MiB
// chunks where there is none), fsyncing the copy when `sync` is true: the
// fair baseline for a writer that syncs.
inline bool CopyFile(const std::string& from, const std::string& to, bool sync) {
  std::optional<platform::File> in = platform::File::OpenRead(from);
  std::optional<platform::File> out = platform::File::CreateTruncate(to);
  if (!in || !out) return false;
  const std::optional<std::uint64_t> size = in->Size();
  if (!size || !platform::CopyRange(*in, 0, *size, *out)) return false;
  if (sync && !out->Sync()) return false;
  return out->Close();
}

inline double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The process's peak resident memory so far, in KiB (0 where unknown).
inline double PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6));
  return 0;
}

}  // namespace bench
