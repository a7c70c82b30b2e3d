#include "batch_editor/file_list.h"

#include <cstddef>
#include <unordered_set>
#include <vector>

#include "platform/folders.h"
#include "platform/paths.h"
#include "tag_engine/tag_tables.h"

namespace {

constexpr char kExtensionDot = '.';
constexpr char kMp3Extension[] = "mp3";

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasExtension(const std::string& name, const std::string& ext) {
  if (name.size() < ext.size() + 1) return false;
  const std::size_t dot = name.size() - ext.size() - 1;
  if (name[dot] != kExtensionDot) return false;
  for (std::size_t i = 0; i < ext.size(); ++i) {
    if (AsciiLower(name[dot + 1 + i]) != AsciiLower(ext[i])) return false;
  }
  return true;
}

std::string WithTrailingDelimiter(const std::string& folder) {
  if (folder.empty()) return platform::RootFolder();
  if (platform::IsPathDelimiter(folder.back())) return folder;
  return folder + platform::PathDelimiter();
}

struct IdentityHash {
  std::size_t operator()(const platform::FolderIdentity& id) const {
    return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
  }
};

struct Subfolder {
  std::string name;
  platform::FolderIdentity identity;
};

// A folder whose files are appended and whose subfolders are still to do.
struct OpenFolder {
  std::string path;  // with its trailing delimiter
  std::vector<Subfolder> subfolders;
  std::size_t next = 0;
};

// Lists `folder` once: its matching files go out at once, its subfolders
// are kept for the walk.
OpenFolder Enter(std::string folder, const std::string& ext, const AppendFile& append) {
  OpenFolder open{std::move(folder), {}, 0};
  for (platform::FolderEntry& entry : platform::ListFolder(open.path)) {
    if (entry.kind == platform::EntryKind::kRegularFile) {
      if (HasExtension(entry.name, ext)) append(open.path + entry.name);
    } else if (entry.kind == platform::EntryKind::kFolder && !entry.hidden) {
      open.subfolders.push_back({std::move(entry.name), entry.identity});
    }
  }
  return open;
}

void DeriveFields(TListe_File& entry) {
  entry.FileName = ExtractBaseName(entry.FullPath, false);
  entry.FileNameExt = ExtractBaseName(entry.FullPath, true);
  const std::size_t last = platform::LastDelimiter(entry.FullPath);
  entry.FolderPath = last == std::string::npos ? std::string() : entry.FullPath.substr(0, last + 1);
  // Dropping everything up to each first delimiter in turn leaves what
  // follows the last one.
  std::string_view folder = entry.FolderPath;
  while (!folder.empty() && platform::IsPathDelimiter(folder.back())) folder.remove_suffix(1);
  const std::size_t inner = platform::LastDelimiter(folder);
  if (inner != std::string_view::npos) folder.remove_prefix(inner + 1);
  entry.FolderName = std::string(folder);
}

void AddMatchingFiles(const std::string& Folder, const std::string& Ext, const AppendFile& append) {
  const std::string folder = WithTrailingDelimiter(Folder);
  for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
    if (entry.kind == platform::EntryKind::kRegularFile && HasExtension(entry.name, Ext)) {
      append(folder + entry.name);
    }
  }
}

void ScanTree(const std::string& Folder, const AppendFile& append, const PumpEvents& pump) {
  const std::string root = WithTrailingDelimiter(Folder);
  std::unordered_set<platform::FolderIdentity, IdentityHash> entered;
  if (std::optional<platform::FolderIdentity> id = platform::IdentifyFolder(root)) entered.insert(*id);

  // An explicit stack instead of recursion: a deep tree cannot overflow the
  // call stack, and each folder is listed exactly once.
  std::vector<OpenFolder> stack;
  stack.push_back(Enter(root, kMp3Extension, append));
  while (!stack.empty()) {
    OpenFolder& top = stack.back();
    if (top.next == top.subfolders.size()) {
      stack.pop_back();
      if (!stack.empty()) pump();  // a subfolder's search has returned
      continue;
    }
    const Subfolder& sub = top.subfolders[top.next++];
    if (!entered.insert(sub.identity).second) continue;
    std::string path = top.path + sub.name + platform::PathDelimiter();
    stack.push_back(Enter(std::move(path), kMp3Extension, append));
  }
}

}  // namespace

void DeriveEntryFields(TListe_File& entry) {
  try {
    DeriveFields(entry);
  } catch (...) {
    // Out of memory: the entry keeps what it had.
  }
}

void AddFilesOfType(const std::string& Folder, const std::string& Ext, const AppendFile& append) {
  try {
    AddMatchingFiles(Folder, Ext, append);
  } catch (...) {
    // Whatever was appended before the error stays.
  }
}

void ScanFolder(const std::string& Folder, const AppendFile& append, const PumpEvents& pump) {
  try {
    ScanTree(Folder, append, pump);
  } catch (...) {
    // Whatever was appended before the error stays.
  }
}
