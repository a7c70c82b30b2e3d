#include "platform/ini_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <utility>
#include <vector>

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr char kNewLine[] = "\n";
constexpr char kSectionOpen = '[';
constexpr char kSectionClose = ']';
constexpr char kKeySeparator = '=';
constexpr char kCommentStart = ';';
// Settings files are a few kilobytes; anything far larger is not one of ours
// and is refused rather than pulled into memory.
constexpr std::uintmax_t kMaxFileSize = 64u * 1024u * 1024u;
// As many links as the kernel follows before it gives up on a loop.
constexpr int kMaxLinkHops = 40;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// A stray CR (a CRLF file's last line without LF) counts as a blank too.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view s) {
  return s.find('\n') != std::string_view::npos || s.find('\r') != std::string_view::npos;
}

// One line of the file. `text` is the line without its end; `end` is the
// line end as found ("\n", "\r\n" or "" for a last line without one), kept
// so that untouched lines are written back exactly.
struct Line {
  std::string text;
  std::string end;
};

// Sets a line end by appending rather than by assigning a literal: GCC 12
// at -O3 inlines the assignment into std::string's replace and then reports
// a false -Wrestrict (GCC bug 105329) on the copy inside it.
void SetEnd(std::string& end, std::string_view value) {
  end.clear();
  end.append(value.data(), value.size());
}

std::vector<Line> SplitLines(const std::string& content) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t nl = content.find('\n', start);
    Line line;
    if (nl == std::string::npos) {
      line.text = content.substr(start);
      start = content.size();
    } else {
      line.text = content.substr(start, nl - start);
      SetEnd(line.end, kNewLine);
      start = nl + 1;
    }
    if (!line.text.empty() && line.text.back() == '\r' && !line.end.empty()) {
      line.text.pop_back();
      SetEnd(line.end, "\r\n");
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// The name of a section line, or nullopt when `text` opens no section.
std::optional<std::string_view> SectionName(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || t.front() != kSectionOpen) return std::nullopt;
  t.remove_prefix(1);
  std::size_t close = t.find(kSectionClose);
  if (close != std::string_view::npos) t = t.substr(0, close);
  return Trim(t);
}

// Position of the "=" of a key line, or npos for a line that holds no key.
std::size_t KeySeparator(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || t.front() == kCommentStart || t.front() == kSectionOpen) {
    return std::string_view::npos;
  }
  return text.find(kKeySeparator);
}

bool IsKeyLine(std::string_view text, std::string_view key) {
  std::size_t sep = KeySeparator(text);
  return sep != std::string_view::npos && EqualIgnoringCase(Trim(text.substr(0, sep)), key);
}

// Where a section and its key stand in the lines; indexes are npos when
// missing. `last_filled` is the last non-blank line of the section (its
// header when it holds nothing else).
struct Location {
  std::size_t section = std::string::npos;
  std::size_t key = std::string::npos;
  std::size_t last_filled = std::string::npos;
};

Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location loc;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string_view> name = SectionName(lines[i].text);
    if (name) {
      if (loc.section != std::string::npos) break;  // the next section begins
      if (EqualIgnoringCase(*name, section)) loc.section = loc.last_filled = i;
      continue;
    }
    if (loc.section == std::string::npos) continue;
    if (!Trim(lines[i].text).empty()) loc.last_filled = i;
    if (loc.key == std::string::npos && IsKeyLine(lines[i].text, key)) loc.key = i;
  }
  return loc;
}

enum class ReadResult { kOk, kMissing, kFailed };

ReadResult ReadWholeFile(const fs::path& path, std::string& content) {
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return ReadResult::kMissing;
  if (ec || !fs::is_regular_file(st)) return ReadResult::kFailed;
  FileHandle f(std::fopen(path.string().c_str(), "rb"));
  if (!f) return ReadResult::kFailed;
  content.clear();
  char buffer[8192];
  for (;;) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, f.get());
    content.append(buffer, got);
    if (content.size() > kMaxFileSize) return ReadResult::kFailed;
    if (got < sizeof buffer) break;
  }
  return std::ferror(f.get()) ? ReadResult::kFailed : ReadResult::kOk;
}

std::string Unquote(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

bool ValidNames(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty()) return false;
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  if (section.find(kSectionClose) != std::string_view::npos) return false;
  if (key.find(kKeySeparator) != std::string_view::npos) return false;
  return key.front() != kSectionOpen && key.front() != kCommentStart;
}

// A name for the temporary file beside `target` that no other writer uses.
fs::path TemporaryPathBeside(const fs::path& target) {
  static std::mt19937_64 generator{std::random_device{}()};
  std::string name = target.filename().string() + ".tmp";
  constexpr char kDigits[] = "0123456789abcdef";
  std::uint64_t bits = generator();
  for (int i = 0; i < 12; ++i, bits >>= 4) name += kDigits[bits & 0xF];
  return target.parent_path() / name;
}

bool ReplaceFile(const fs::path& target, const std::string& content, bool existed) {
  std::error_code ec;
  fs::path temporary;
  FileHandle out;
  for (int attempt = 0; attempt < 8 && !out; ++attempt) {
    temporary = TemporaryPathBeside(target);
    // "x": fail rather than reuse a file that happens to carry the name.
    out.reset(std::fopen(temporary.string().c_str(), "wbx"));
  }
  if (!out) return false;
  bool ok = std::fwrite(content.data(), 1, content.size(), out.get()) == content.size();
  ok = (std::fflush(out.get()) == 0) && ok;
  ok = (std::fclose(out.release()) == 0) && ok;
  if (ok && existed) {
    fs::permissions(temporary, fs::status(target, ec).permissions(), ec);
    ok = !ec;
  }
  if (ok) {
    fs::rename(temporary, target, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(temporary, ec);
  return ok;
}

bool Write(const std::string& path, std::string_view section, std::string_view key,
           std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  if (!ValidNames(section, key, value)) return false;

  std::error_code ec;
  fs::path target(path);
  // Replace the file a link points to, not the link itself, also when that
  // file does not exist yet.
  for (int hops = 0; fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
    if (hops == kMaxLinkHops) return false;
    fs::path next = fs::read_symlink(target, ec);
    if (ec) return false;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  std::string content;
  ReadResult read = ReadWholeFile(target, content);
  if (read == ReadResult::kFailed) return false;
  const bool existed = read == ReadResult::kOk;
  if (existed) {
    // A file we may not write stays as it is, even though the folder would
    // let us rename a new one over it.
    FileHandle probe(std::fopen(target.string().c_str(), "r+b"));
    if (!probe) return false;
  }

  std::vector<Line> lines = SplitLines(content);
  Location loc = Find(lines, section, key);
  auto terminate_last = [&lines] {
    if (!lines.empty() && lines.back().end.empty()) SetEnd(lines.back().end, kNewLine);
  };
  if (loc.key != std::string::npos) {
    Line& line = lines[loc.key];
    line.text.resize(line.text.find(kKeySeparator) + 1);
    line.text.append(value);
  } else if (loc.section != std::string::npos) {
    Line& previous = lines[loc.last_filled];
    if (previous.end.empty()) SetEnd(previous.end, kNewLine);
    Line added{std::string(key) + kKeySeparator + std::string(value), kNewLine};
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(loc.last_filled + 1),
                 std::move(added));
  } else {
    terminate_last();
    lines.push_back({kSectionOpen + std::string(section) + kSectionClose, kNewLine});
    lines.push_back({std::string(key) + kKeySeparator + std::string(value), kNewLine});
  }

  std::string updated;
  updated.reserve(content.size() + key.size() + value.size() + section.size() + 8);
  for (const Line& line : lines) {
    updated += line.text;
    updated += line.end;
  }
  if (existed && updated == content) return true;
  return ReplaceFile(target, updated, existed);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::optional<std::string> IniFile::ReadValue(std::string_view section,
                                              std::string_view key) const {
  try {
    if (path_.empty() || path_.find('\0') != std::string::npos) return std::nullopt;
    section = Trim(section);
    key = Trim(key);
    if (key.empty()) return std::nullopt;
    std::string content;
    if (ReadWholeFile(fs::path(path_), content) != ReadResult::kOk) return std::nullopt;
    std::vector<Line> lines = SplitLines(content);
    Location loc = Find(lines, section, key);
    if (loc.key == std::string::npos) return std::nullopt;
    const std::string& text = lines[loc.key].text;
    return Unquote(std::string_view(text).substr(text.find(kKeySeparator) + 1));
  } catch (...) {
    // Out of memory or a file-system error: the key reads as missing.
    return std::nullopt;
  }
}

bool IniFile::WriteValue(std::string_view section, std::string_view key,
                         std::string_view value) const {
  try {
    return Write(path_, section, key, value);
  } catch (...) {
    return false;
  }
}

}  // namespace platform
