// The batch run through the main window (offscreen) on real MP3 files,
// against what the same job costs elsewhere, all in one run:
//   - the engine alone (no window) with the values the rules give,
//   - a one-process rewrite of the same files in C++ (read the file, write a
//     new one beside it, rename it over the old one), without sync and with
//     one fsync per file,
//   - kid3-cli doing the job in one process.
// The corpus (bench/make_corpus.py: lame, sox, mutagen) is built once under
// the system's temporary folder; every measurement runs on a fresh copy of
// it, with the page cache warm and the copy's own writes flushed first.
// The job: title from the file name, artist and album from the folder, a
// fixed comment, year 2009, automatic track numbers, genre "Jazz" and
// category "Music" from the lists, every file written.
//
//   bench_gui_peers [--repeat N]     (median of N rounds, 3 by default)
//
// Prints a table of wall times, ratios to the one-fsync rewrite, CPU times
// and peak memory. The window's run is measured in this process (its peak
// is the whole program's); every other job runs in a child of its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "batch_editor/rules.h"
#include "bench/bench_support.h"
#include "platform/file_io.h"
#include "tag_engine/UF_Util_MP3.h"
#include "tag_engine/mp3_tag_engine.h"
#include "widgets/browse_edit.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/radio_group.h"
#include "widgets/text_edit.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kComment = "Ripped for the archive";
constexpr const char* kGenre = "Jazz";
constexpr const char* kCategory = "Music";

const fs::path& Root() {
  static const fs::path root = fs::temp_directory_path() / "quillon_bench_peers";
  return root;
}
fs::path CorpusPath() { return Root() / "corpus"; }
fs::path WorkPath() { return Root() / "work"; }

struct Result {
  double seconds = 0;
  double cpuSeconds = 0;  // user + system time of the process that did the work
  double peakMiB = 0;     // its peak resident memory
};

double CpuSeconds(const struct rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double OwnCpuSeconds() {
  struct rusage u {};
  ::getrusage(RUSAGE_SELF, &u);
  return CpuSeconds(u);
}

// Runs `args` (argv[0] a path) in a child process with `extraEnv` set;
// false when it could not run or failed. Wall time and the child's peak
// resident memory go to `result`.
bool RunProcess(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, Result* result) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto t0 = Clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    for (const std::string& e : extraEnv) ::putenv(const_cast<char*>(e.c_str()));
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return false;
  if (result) {
    result->seconds = bench::Seconds(Clock::now() - t0);
    result->cpuSeconds = CpuSeconds(usage);
    result->peakMiB = static_cast<double>(usage.ru_maxrss) / 1024;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs `work` in a forked child, so that its peak memory is its own.
bool RunForked(const std::function<bool()>& work, Result* result) {
  const auto t0 = Clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) ::_exit(work() ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return false;
  result->seconds = bench::Seconds(Clock::now() - t0);
  result->cpuSeconds = CpuSeconds(usage);
  result->peakMiB = static_cast<double>(usage.ru_maxrss) / 1024;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<fs::path> Mp3Files(const fs::path& root) {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && e.path().extension() == ".mp3") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<fs::path> AlbumFolders(const fs::path& root) {
  std::vector<fs::path> folders;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_directory() && e.path().parent_path() != root) folders.push_back(e.path());
  std::sort(folders.begin(), folders.end());
  return folders;
}

// A fresh copy of the corpus at WorkPath(), read once and flushed to disk,
// so that what is timed next starts with a warm cache and no write-back of
// the copy pending.
bool FreshCopy() {
  std::error_code ec;
  fs::remove_all(WorkPath(), ec);
  fs::copy(CorpusPath(), WorkPath(), fs::copy_options::recursive, ec);
  if (ec) return false;
  fs::remove(WorkPath() / ".complete", ec);
  std::vector<char> buffer(1 << 20);
  for (const fs::path& f : Mp3Files(WorkPath())) {
    std::FILE* in = std::fopen(f.c_str(), "rb");
    if (!in) return false;
    while (std::fread(buffer.data(), 1, buffer.size(), in) > 0) {
    }
    std::fclose(in);
  }
  ::sync();
  return true;
}

// Read the whole file, write it to a new file beside it, rename that over it.
bool RewriteAll(bool fsyncEach) {
  for (const fs::path& f : Mp3Files(WorkPath())) {
    std::optional<platform::File> in = platform::File::OpenRead(f.string());
    if (!in) return false;
    const std::optional<std::uint64_t> size = in->Size();
    if (!size) return false;
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    if (!in->ReadAt(0, bytes.data(), bytes.size())) return false;
    in.reset();
    const std::string staged = f.parent_path().string() + "/.rewrite.tmp";
    std::optional<platform::File> out = platform::File::CreateTruncate(staged);
    if (!out || !out->Append(bytes.data(), bytes.size())) return false;
    if (fsyncEach && !out->Sync()) return false;
    if (!out->Close() || !platform::RenameFile(staged, f.string())) return false;
  }
  return true;
}

// The window with the job's rules.
void PrepareWindow() {
  MainWindowServices services;
  services.showMessage = [](const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); };
  services.openUrl = [](const QString&) {};
  services.placementFile = (Root() / "placement.ini").string();
  CreateProgramWindows(services);
  F_Main->show();
  F_Main->activateWindow();
  F_Main->FormActivate(F_Main);
  F_Main->RGP_Nom_Titre->SetItemIndex(1);
  F_Main->RGP_Nom_Artiste->SetItemIndex(1);
  F_Main->RGP_Nom_Album->SetItemIndex(1);
  F_Main->RGP_Nom_Comment->SetItemIndex(1);
  F_Main->EDT_Nom_Comment_Text->SetText(kComment);
  F_Main->RGP_Nom_Date->SetItemIndex(1);
  F_Main->EDT_Nom_Date->SetText("2009");
  F_Main->RGP_Nom_Track->SetItemIndex(1);
  F_Main->RGP_Nom_Genre->SetItemIndex(2);
  F_Main->CBX_Nom_Genre_List->SelectText(kGenre);
  F_Main->RGP_Nom_Category->SetItemIndex(2);
  F_Main->CBX_Nom_Category_List->SelectText(kCategory);
  F_Main->RGP_Tag->SetItemIndex(0);
}

// Lists the work copy in the window.
void LoadWorkCopy() {
  F_Main->BTN_Clear_ListeClick(F_Main);
  F_Main->DED_Folder->SetPath(WorkPath().string());
  F_Main->DED_FolderBrowse(F_Main);
}

bool AllWritten(std::size_t expected) {
  for (int i = 0; i < F_Main->LBX_File->Count(); ++i)
    if (ImageListBox::ItemImage(F_Main->LBX_File->Item(i)) != 1) return false;
  return static_cast<std::size_t>(F_Main->LBX_File->Count()) == expected;
}

// The run's own loop without the window: read, derive, write, and the
// folder syncs, with a plain engine. Runs in a forked child, so the rules
// and the list are taken from the window before.
bool EngineAlone(const RuleSet& rules, const std::vector<TListe_File>& files, const std::string& dataFolder) {
  Mp3TagEngine engine;
  engine.DataFolder = dataFolder;
  TrackCounter counter;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const int n = counter.Next(files[i]);
    engine.ReadTag(files[i].FullPath);
    const NewValues v = DeriveNewValues(rules, files[i], n, CurrentTagsOf(engine));
    if (!engine.WriteTagV2(files[i].FullPath, v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear,
                           v.NewTrack, v.NewGenre, v.NewCategory, v.NewOwner) ||
        !engine.WriteTagV1(files[i].FullPath, v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear))
      return false;
    if (i + 1 == files.size() || files[i + 1].FolderPath != files[i].FolderPath) engine.SyncPendingFolders();
  }
  return true;
}

// kid3-cli, one process, the same job folder by folder: ID3v2.3, title from
// the file name, the values set, tracks numbered, the ID3v1 tag from it.
std::vector<std::string> Kid3Command() {
  std::vector<std::string> args = {"/usr/bin/kid3-cli"};
  auto c = [&args](const std::string& command) {
    args.push_back("-c");
    args.push_back(command);
  };
  for (const fs::path& folder : AlbumFolders(WorkPath())) {
    const std::string name = folder.filename().string();
    c("cd \"" + folder.string() + "\"");
    c("select all");
    c("to23");
    c("tag 2");
    c("totag \"%{title}\" 2");
    c("set artist \"" + name + "\"");
    c("set album \"" + name + "\"");
    c("set comment \"" + std::string(kComment) + "\"");
    c("set date 2009");
    c("numbertracks 1");
    c("set genre " + std::string(kGenre));
    c("set work " + std::string(kCategory));
    c("set TOWN ZQ");
    c("syncto 1");
    c("save");
  }
  return args;
}

// A file of the work copy after a job: does it carry the job's values?
bool JobDone() {
  const std::vector<fs::path> files = Mp3Files(WorkPath());
  if (files.empty()) return false;
  Mp3TagEngine check;
  check.ReadTag(files.back().string());
  return check.TagYear == "2009" && check.TagOwner == "ZQ" && check.TagCategory == kCategory &&
         check.TagArtist == files.back().parent_path().filename().string();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--repeat") == 0) repeat = std::max(1, std::atoi(argv[i + 1]));
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The data folder on the corpus's file system, as on most machines.
  fs::create_directories(Root() / "xdg");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((Root() / "xdg").string()));

  const std::string script = std::string(QUILLON_SOURCE_DIR) + "/bench/make_corpus.py";
  std::printf("building the corpus in %s (once) ...\n", CorpusPath().c_str());
  std::fflush(stdout);
  if (!RunProcess({"/usr/bin/python3", script, CorpusPath().string(), "200"}, {}, nullptr)) {
    std::fprintf(stderr, "could not build the corpus (lame, sox, python3-mutagen installed?)\n");
    return 1;
  }
  const std::size_t fileCount = Mp3Files(CorpusPath()).size();

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  PrepareWindow();

  std::vector<double> window, alone, plain, synced, kid3;
  std::vector<double> windowCpu, aloneCpu, plainCpu, syncedCpu, kid3Cpu;
  double windowPeak = 0, alonePeak = 0, plainPeak = 0, syncedPeak = 0, kid3Peak = 0;
  auto fail = [](const char* what) {
    std::fprintf(stderr, "failed: %s\n", what);
    return 1;
  };
  for (int round = 0; round < repeat; ++round) {
    if (!FreshCopy()) return fail("copying the corpus");
    LoadWorkCopy();
    if (F_Main->Files.size() != fileCount) return fail("listing the corpus in the window");
    const double cpu0 = OwnCpuSeconds();
    const auto t0 = Clock::now();
    F_Main->BTN_Start->click();
    window.push_back(bench::Seconds(Clock::now() - t0));
    windowCpu.push_back(OwnCpuSeconds() - cpu0);
    windowPeak = bench::PeakResidentKiB() / 1024;
    if (!AllWritten(fileCount) || !JobDone()) return fail("the window's run");

    Result r;
    if (!FreshCopy()) return fail("copying the corpus");
    LoadWorkCopy();
    const RuleSet rules = F_Main->RulesFromControls();
    const std::vector<TListe_File> files = F_Main->Files;
    const std::string dataFolder = F_Main->DataFolder;
    if (!RunForked([&] { return EngineAlone(rules, files, dataFolder); }, &r) || !JobDone())
      return fail("the engine alone");
    alone.push_back(r.seconds), aloneCpu.push_back(r.cpuSeconds), alonePeak = r.peakMiB;

    if (!FreshCopy() || !RunForked([] { return RewriteAll(false); }, &r)) return fail("rewrite without sync");
    plain.push_back(r.seconds), plainCpu.push_back(r.cpuSeconds), plainPeak = r.peakMiB;
    if (!FreshCopy() || !RunForked([] { return RewriteAll(true); }, &r)) return fail("rewrite with fsync");
    synced.push_back(r.seconds), syncedCpu.push_back(r.cpuSeconds), syncedPeak = r.peakMiB;

    if (!FreshCopy()) return fail("copying the corpus");
    if (!RunProcess(Kid3Command(), {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"}, &r) || !JobDone())
      return fail("kid3-cli");
    kid3.push_back(r.seconds), kid3Cpu.push_back(r.cpuSeconds), kid3Peak = r.peakMiB;
  }
  DestroyProgramWindows();
  std::error_code ec;
  fs::remove_all(WorkPath(), ec);

  const double base = Median(synced);
  std::printf("\n%zu MP3 files in %zu folders, %.0f MB; median of %d round(s)\n\n", fileCount,
              AlbumFolders(CorpusPath()).size(),
              [] {
                double bytes = 0;
                for (const fs::path& f : Mp3Files(CorpusPath())) bytes += static_cast<double>(fs::file_size(f));
                return bytes / 1e6;
              }(),
              repeat);
  std::printf("%-36s %9s %16s %8s %11s\n", "", "time (s)", "x rewrite+fsync", "CPU (s)", "peak (MiB)");
  auto row = [base](const char* name, const std::vector<double>& t, const std::vector<double>& cpu, double peak) {
    std::printf("%-36s %9.3f %16.2f %8.3f %11.1f\n", name, Median(t), base > 0 ? Median(t) / base : 0,
                Median(cpu), peak);
  };
  row("batch run through the window", window, windowCpu, windowPeak);
  row("engine alone (same job, no window)", alone, aloneCpu, alonePeak);
  row("rewrite in C++, no sync", plain, plainCpu, plainPeak);
  row("rewrite in C++, one fsync per file", synced, syncedCpu, syncedPeak);
  row("kid3-cli, one process", kid3, kid3Cpu, kid3Peak);
  std::printf("\nwindow / engine alone: %.2f (time), %.2f (CPU)   kid3-cli / window: %.2f\n",
              Median(window) / Median(alone), Median(windowCpu) / Median(aloneCpu), Median(kid3) / Median(window));
  std::printf("targets: window <= 1.2x rewrite+fsync, kid3-cli >= 4x window\n");
  return 0;
}
