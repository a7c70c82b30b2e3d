// The file list's Qt-free core: its entries, the fields derived from a full
// path, and the folder search that fills it.
#pragma once

#include <functional>
#include <string>

// One entry of the file list. Only FullPath is set when the entry is
// appended; DeriveEntryFields fills the other four at every list rebuild.
struct TListe_File {
  std::string FullPath;     // as dropped, or as the folder scan built it
  std::string FileNameExt;  // the part of FullPath after its last delimiter
  std::string FileName;     // FileNameExt without its extension (from its last "." on)
  std::string FolderPath;   // FullPath up to and including its last delimiter; "" without one
  std::string FolderName;   // the last component of FolderPath
  friend bool operator==(const TListe_File&, const TListe_File&) = default;
};

// Fills the four derived fields of `entry` from its FullPath. FolderName is
// FolderPath without its trailing delimiters, then without everything up to
// and including each delimiter: "/music/Album/" gives "Album", "/" gives "",
// "" gives "". The delimiter is the platform's ("/" on Linux).
void DeriveEntryFields(TListe_File& entry);

// Receives the full path of each file found, in order.
using AppendFile = std::function<void(std::string fullPath)>;
// Called once after each subfolder's search has returned, so that the
// window can process its waiting events during a long scan.
using PumpEvents = std::function<void()>;

// Appends, through `append`, the regular files (links followed) of the one
// folder `Folder` whose names end in "." + Ext, the extension compared
// ignoring ASCII letter case; hidden files ("." names) included, no
// recursion. Folder gets a trailing delimiter when it lacks one, and the
// empty text stands for the root folder "/"; each path is Folder + name.
// Names come in listing order (compared ignoring case, ties by bytes). A
// folder named "x.mp3", a FIFO, a device or a dangling link is never
// appended. A missing or unreadable folder appends nothing.
void AddFilesOfType(const std::string& Folder, const std::string& Ext, const AppendFile& append);

// Appends the "mp3" files of `Folder` and, depth first, of its subfolders:
// the folder's own files (as AddFilesOfType gives them) first, then the whole
// subtree of each subfolder in listing order, each subfolder's path being
// Folder + name + "/". Hidden subfolders are not searched; links to folders
// are followed, but a folder already entered in this scan (the same device
// and inode, whatever the path) is not entered again, so a loop of links
// ends. `pump` runs once after each entered subfolder's subtree is done; it
// may run any handler of the window, which may even call ScanFolder again.
// The tree's depth is limited only by what the platform lets a path hold.
// A missing or unreadable folder appends nothing. An error inside a scan
// (memory exhausted, or one thrown by `append` or `pump`) ends it at once;
// what was appended before stays. The same holds for AddFilesOfType.
void ScanFolder(const std::string& Folder, const AppendFile& append, const PumpEvents& pump);
