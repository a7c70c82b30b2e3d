// A batch run through the main window (offscreen) against plain copies of
// the same tree, in the same run.
//
// The tree: 10 folders of 100 files of 1 MB (1,000 files). The rules: title
// from the file name, artist and album from the folder name, automatic
// numbering, a fixed comment and year, every file written. The run's writes
// sync each file to disk, so it is compared with a plain copy of the tree
// and with a copy that syncs each file. The data folder (and so the tag
// writer's temporary file) lies on the tree's file system. Peak resident
// memory (VmHWM) is reported as a counter.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "batch_editor/UF_Main.h"
#include "platform/file_io.h"
#include "tag_engine/mp3_tag_engine.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/browse_edit.h"
#include "widgets/image_list_box.h"
#include "widgets/radio_group.h"
#include "widgets/text_edit.h"

namespace {

using bench::CopyFile;
using bench::PeakResidentKiB;
using bench::Seconds;

namespace fs = std::filesystem;

constexpr int kFolders = 10;
constexpr int kFilesPerFolder = 100;
constexpr std::size_t kFileSize = 1u << 20;

const fs::path& BenchRoot() {
  static const fs::path root = fs::temp_directory_path() / "quillon_bench_gui_batch";
  return root;
}

fs::path TreePath() { return BenchRoot() / "tree"; }
fs::path CopyPath() { return BenchRoot() / "copy"; }

std::string Name(const char* format, int n) {
  char name[32];
  std::snprintf(name, sizeof name, format, n);
  return name;
}

// Builds <root>/tree/Artist NN/Track NNN.mp3 once (audio only, no tag);
// later runs reuse it, tagged by the runs before.
void BuildTree() {
  const fs::path done = TreePath() / ".complete";
  if (fs::exists(done)) return;
  fs::remove_all(TreePath());
  std::string audio(kFileSize, '\0');
  for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<char>(i * 7 + (i >> 9));
  audio[0] = '\xFF', audio[1] = '\xFB', audio[2] = '\x90', audio[3] = '\x64';
  for (int d = 0; d < kFolders; ++d) {
    const fs::path folder = TreePath() / Name("Artist %02d", d);
    fs::create_directories(folder);
    for (int f = 0; f < kFilesPerFolder; ++f)
      std::ofstream(folder / Name("Track %03d.mp3", f), std::ios::binary)
          .write(audio.data(), static_cast<std::streamsize>(audio.size()));
  }
  std::ofstream(done.string());
}

std::vector<std::string> TreeFiles() {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(TreePath()))
    if (e.is_regular_file() && e.path().extension() == ".mp3") files.push_back(e.path().string());
  return files;
}

// Copies every file of the tree to the same place under <root>/copy.
bool CopyTree(const std::vector<std::string>& files, bool sync) {
  const std::string tree = TreePath().string();
  for (const std::string& f : files) {
    const fs::path to = CopyPath() / fs::path(f).lexically_relative(tree);
    fs::create_directories(to.parent_path());
    if (!CopyFile(f, to.string(), sync)) return false;
  }
  return true;
}

// The main window with the benchmark's rules and the tree in its list.
void PrepareWindow() {
  if (F_Main) return;
  MainWindowServices services;
  services.showMessage = [](const QString&) {};
  services.openUrl = [](const QString&) {};
  services.placementFile = (BenchRoot() / "placement.ini").string();
  CreateProgramWindows(services);
  F_Main->show();
  F_Main->activateWindow();
  F_Main->FormActivate(F_Main);
  F_Main->RGP_Nom_Titre->SetItemIndex(1);
  F_Main->RGP_Nom_Artiste->SetItemIndex(1);
  F_Main->RGP_Nom_Album->SetItemIndex(1);
  F_Main->RGP_Nom_Comment->SetItemIndex(1);
  F_Main->EDT_Nom_Comment_Text->SetText("Ripped for the archive");
  F_Main->RGP_Nom_Date->SetItemIndex(1);
  F_Main->EDT_Nom_Date->SetText("2009");
  F_Main->RGP_Nom_Track->SetItemIndex(1);
  F_Main->RGP_Nom_Genre->SetItemIndex(0);
  F_Main->RGP_Nom_Category->SetItemIndex(0);
  F_Main->RGP_Tag->SetItemIndex(0);
  F_Main->BTN_Clear_ListeClick(F_Main);
  F_Main->DED_Folder->SetPath(TreePath().string());
  F_Main->DED_FolderBrowse(F_Main);
}

bool AllWritten() {
  for (int i = 0; i < F_Main->LBX_File->Count(); ++i)
    if (ImageListBox::ItemImage(F_Main->LBX_File->Item(i)) != 1) return false;
  return F_Main->LBX_File->Count() == kFolders * kFilesPerFolder;
}

void BM_BatchRunAgainstCopy(benchmark::State& state) {
  BuildTree();
  PrepareWindow();
  const std::vector<std::string> files = TreeFiles();
  // A first run tags the files, so that every timed run rewrites a tag.
  F_Main->BTN_Start->click();
  double run = 0, copy = 0, copySynced = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    F_Main->BTN_Start->click();
    const auto t1 = std::chrono::steady_clock::now();
    if (!AllWritten()) state.SkipWithError("a file was not written");
    const auto t2 = std::chrono::steady_clock::now();
    if (!CopyTree(files, false)) state.SkipWithError("copy failed");
    const auto t3 = std::chrono::steady_clock::now();
    if (!CopyTree(files, true)) state.SkipWithError("synced copy failed");
    const auto t4 = std::chrono::steady_clock::now();
    run += Seconds(t1 - t0);
    copy += Seconds(t3 - t2);
    copySynced += Seconds(t4 - t3);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["run_s"] = run / n;
  state.counters["copy_s"] = copy / n;
  state.counters["copy_fsync_s"] = copySynced / n;
  state.counters["x_copy"] = copy > 0 ? run / copy : 0;
  state.counters["x_copy_fsync"] = copySynced > 0 ? run / copySynced : 0;
  state.counters["files_per_s"] = run > 0 ? n * static_cast<double>(files.size()) / run : 0;
  state.counters["peak_MiB"] = PeakResidentKiB() / 1024;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(files.size() * kFileSize));
}
BENCHMARK(BM_BatchRunAgainstCopy)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

// The engine alone over the same files with the same values, no window: what
// the window adds to the run is the difference.
void BM_EngineAlone(benchmark::State& state) {
  BuildTree();
  PrepareWindow();
  const std::vector<std::string> files = TreeFiles();
  Mp3TagEngine engine;
  engine.DataFolder = F_Main->DataFolder;
  for (auto _ : state) {
    int track = 0;
    for (const std::string& f : files) {
      const fs::path path(f);
      const std::string title = path.stem().string();
      const std::string folder = path.parent_path().filename().string();
      const std::string n = std::to_string(++track % kFilesPerFolder + 1);
      engine.ReadTag(f);
      if (!engine.WriteTagV2(f, title, folder, folder, "Ripped for the archive", "2009", n, "", "", "ZQ") ||
          !engine.WriteTagV1(f, title, folder, folder, "Ripped for the archive", "2009"))
        state.SkipWithError("write failed");
    }
  }
  state.counters["files_per_s"] =
      benchmark::Counter(static_cast<double>(files.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EngineAlone)->Iterations(3)->Unit(benchmark::kSecond);

// Reading a file with a 5 MB picture through the frame list window (which
// refreshes its grid: arg 1) and through the engine alone (arg 0).
void BM_ReadPicture(benchmark::State& state) {
  PrepareWindow();
  const fs::path file = BenchRoot() / "picture.mp3";
  if (!fs::exists(file)) {
    const std::string picture(5u << 20, '\x89');
    const std::string frames = std::string("TIT2") + std::string{0, 0, 0, 4, 0, 0} + std::string("\0abc", 4) +
                               "APIC" +
                               std::string{0, static_cast<char>(picture.size() >> 16),
                                           static_cast<char>((picture.size() >> 8) & 0xFF), 0, 0, 0} +
                               picture;
    const std::size_t n = frames.size();
    std::string bytes = "ID3";
    bytes += std::string{3, 0, 0, static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
                         static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
    bytes += frames + std::string(4096, 'a');
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  Mp3TagEngine alone;
  Mp3TagEngine& engine = state.range(0) ? *F_Util_MP3 : alone;
  for (auto _ : state) engine.ReadTag(file.string());
  if (engine.Frames.size() != 2) state.SkipWithError("the picture frame was not read");
}
BENCHMARK(BM_ReadPicture)->ArgName("window")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The data folder on the tree's file system.
  fs::create_directories(BenchRoot() / "xdg");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((BenchRoot() / "xdg").string()));
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  DestroyProgramWindows();
  return 0;
}
