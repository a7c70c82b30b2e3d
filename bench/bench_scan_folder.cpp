// Folder scan of a large music tree: ScanFolder with the entry fields derived
// for every file, against a plain recursive directory walk of the same tree
// in the same run. Reports the time ratio and the peak heap use of each.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "batch_editor/file_list.h"

namespace fs = std::filesystem;

// Counting allocator: current and peak bytes on the heap.
namespace {
std::atomic<std::size_t> g_current{0};
std::atomic<std::size_t> g_peak{0};

void* CountedAlloc(std::size_t size) {
  // One extra header keeps the size for the matching delete.
  auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (block == nullptr) throw std::bad_alloc();
  *block = size;
  const std::size_t now = g_current.fetch_add(size) + size;
  std::size_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  g_current.fetch_sub(*block);
  std::free(block);
}
}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace {

constexpr char kTreeRoot[] = "/tmp/quillon_bench_scan_tree";
constexpr char kCompleteMark[] = "/tmp/quillon_bench_scan_tree/.complete";
constexpr int kArtists = 10;
constexpr int kAlbumsPerArtist = 100;  // 1,000 album folders
constexpr int kFilesPerAlbum = 100;    // 100,000 files
constexpr std::size_t kExpectedFiles = std::size_t{kArtists} * kAlbumsPerArtist * kFilesPerAlbum;

// Builds the tree once; a later run reuses it.
void EnsureTree() {
  if (fs::exists(kCompleteMark)) return;
  fs::remove_all(kTreeRoot);
  char name[64];
  for (int a = 0; a < kArtists; ++a) {
    std::snprintf(name, sizeof name, "/Artist %02d", a);
    const std::string artist = kTreeRoot + std::string(name);
    for (int b = 0; b < kAlbumsPerArtist; ++b) {
      std::snprintf(name, sizeof name, "/Album %03d", b);
      const std::string album = artist + name;
      fs::create_directories(album);
      for (int t = 0; t < kFilesPerAlbum; ++t) {
        std::snprintf(name, sizeof name, "/%02d Track title %02d.mp3", t + 1, t + 1);
        std::ofstream(album + name);
      }
    }
  }
  std::ofstream mark(kCompleteMark);
}

double g_scan_seconds = 0;
double g_walk_seconds = 0;
std::size_t g_scan_peak = 0;
std::size_t g_walk_peak = 0;

// Runs `body` per iteration, keeping the mean seconds and the heap peak
// above the level at the start.
template <typename Body>
void Measure(benchmark::State& state, double& seconds, std::size_t& peak, Body body) {
  EnsureTree();
  double total = 0;
  std::size_t worst = 0;
  for (auto _ : state) {
    const std::size_t base = g_current.load();
    g_peak.store(base);
    const auto start = std::chrono::steady_clock::now();
    const std::size_t found = body();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    worst = std::max(worst, g_peak.load() - base);
    if (found != kExpectedFiles) state.SkipWithError("unexpected number of files");
  }
  seconds = total / static_cast<double>(state.iterations());
  peak = worst;
  state.counters["files"] = static_cast<double>(kExpectedFiles);
  state.counters["peak_heap_MiB"] = static_cast<double>(worst) / (1024.0 * 1024.0);
}

void BM_ScanFolderWithEntryFields(benchmark::State& state) {
  Measure(state, g_scan_seconds, g_scan_peak, [] {
    std::vector<TListe_File> files;
    std::size_t pumps = 0;
    ScanFolder(
        kTreeRoot, [&files](std::string path) { files.push_back({std::move(path), {}, {}, {}, {}}); },
        [&pumps] { ++pumps; });
    for (TListe_File& entry : files) DeriveEntryFields(entry);
    benchmark::DoNotOptimize(files.data());
    return files.size();
  });
}

// The scan alone, keeping only the paths, as the baseline does.
void BM_ScanFolderPathsOnly(benchmark::State& state) {
  double seconds = 0;
  std::size_t peak = 0;
  Measure(state, seconds, peak, [] {
    std::vector<std::string> paths;
    ScanFolder(kTreeRoot, [&paths](std::string path) { paths.push_back(std::move(path)); }, [] {});
    benchmark::DoNotOptimize(paths.data());
    return paths.size();
  });
}

// Baseline: the standard library's walk, keeping the path of every .mp3 file.
void BM_RecursiveDirectoryIterator(benchmark::State& state) {
  Measure(state, g_walk_seconds, g_walk_peak, [] {
    std::vector<std::string> paths;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(kTreeRoot)) {
      if (e.is_regular_file() && e.path().extension() == ".mp3") paths.push_back(e.path().string());
    }
    benchmark::DoNotOptimize(paths.data());
    return paths.size();
  });
}

BENCHMARK(BM_RecursiveDirectoryIterator)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScanFolderPathsOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScanFolderWithEntryFields)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_walk_seconds > 0 && g_scan_seconds > 0) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("scan / walk time ratio: %.2f\n", g_scan_seconds / g_walk_seconds);
    std::printf("peak heap: scan %.1f MiB, walk %.1f MiB (ratio %.2f); process peak RSS %.1f MiB\n",
                static_cast<double>(g_scan_peak) / (1024.0 * 1024.0),
                static_cast<double>(g_walk_peak) / (1024.0 * 1024.0),
                static_cast<double>(g_scan_peak) / static_cast<double>(g_walk_peak),
                static_cast<double>(usage.ru_maxrss) / 1024.0);
  }
  return 0;
}
