// Folders: listing their entries, creating them, and the two folders the
// program keeps its files in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What an entry is, after following symbolic links. A link whose target is
// missing, and a FIFO, socket or device, are kOther.
enum class EntryKind { kRegularFile, kFolder, kOther };

// Names one folder whatever path leads to it, so that a scan can tell a
// folder it has already entered (through a link, say) from a new one.
struct FolderIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

struct FolderEntry {
  std::string name;  // the file system's own bytes, no path
  EntryKind kind = EntryKind::kOther;
  bool hidden = false;        // the name begins with "."
  FolderIdentity identity{};  // set for kFolder only
};

// The entries of the folder `path` (with or without a trailing "/"), "." and
// ".." left out, sorted by name compared ignoring ASCII letter case (letters
// compared as capitals, so "_x" sorts after "Zx" and "zx"), names equal that
// way in the order of their bytes ("A.mp3" before "a.mp3"). A missing or unreadable folder,
// or a path that is no folder, gives an empty list, as does an empty folder.
// An entry that vanishes while the folder is read is left out.
std::vector<FolderEntry> ListFolder(const std::string& path);

// The identity of the folder `path` names (links followed); std::nullopt when
// it names no folder.
std::optional<FolderIdentity> IdentifyFolder(const std::string& path);

// Creates the folder `path` with all its missing parents. True when the
// folder exists afterwards, also when it existed before.
bool CreateFolders(const std::string& path);

// The user's folder for application data, without a trailing "/":
// $XDG_DATA_HOME when it is set to an absolute path, else $HOME/.local/share
// (the home folder taken from the user database when HOME is unset or
// empty). A value of "/" gives the empty text, so that appending
// "/name" still yields an absolute path. Empty when no home folder is known.
std::string LocalDataFolder();

// The user's folder for configuration files, without a trailing "/":
// $XDG_CONFIG_HOME when it is set to an absolute path, else $HOME/.config,
// on the same terms as LocalDataFolder.
std::string ConfigFolder();

// The file that keeps the main window's placement: `fileName` in
// `programFolder` (the executable's folder; "" stands for the root) when a
// new file can be made there and an existing one may be written, as for a
// program run from its build folder or a portable copy; otherwise
// `fileName` in ConfigFolder() + "/" + `configSubfolder`, which is created
// when missing (an installed program, whose folder is the system's).
std::string WindowPlacementFile(const std::string& programFolder, const std::string& configSubfolder,
                                const std::string& fileName);

// The folder holding the running program's executable, without a trailing
// "/" (the empty text for the root folder); empty when it cannot be found.
std::string ExecutableFolder();

}  // namespace platform
