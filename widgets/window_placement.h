// Keeps a window's position in a section of an INI file.
//
// Keys: "FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos",
// "NormPos" and "Visible". "NormPos" holds left, top, right and bottom of
// the window's frame as "%d,%d,%d,%d"; "MinMaxPos" the minimized and
// maximized positions in the same form (-1 when unknown). Only the position
// is restored: the window keeps its size.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

class QWidget;

class WindowPlacement {
 public:
  // Shown when the file cannot be written; gets the message text.
  using ErrorReporter = std::function<void(const QString& message)>;

  void SetIniFileName(std::string path) { path_ = std::move(path); }
  const std::string& IniFileName() const { return path_; }
  void SetSection(std::string section) { section_ = std::move(section); }
  const std::string& Section() const { return section_; }
  void SetErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

  // Moves `window` to the stored position when the stored "PixelsPerInch"
  // equals `pixelsPerInch` and "NormPos" holds four integers; otherwise to
  // (0, 0). Returns whether the stored position was used.
  bool Restore(QWidget& window, int pixelsPerInch) const;

  // Stores the window's placement. When a value cannot be written, reports
  // "Impossible d'écrire dans <file>" once and returns false.
  bool Save(const QWidget& window, int pixelsPerInch) const;

  // "l,t,r,b" → the four integers; std::nullopt unless exactly four
  // decimal integers separated by commas (blanks around them allowed).
  struct Rect {
    int left, top, right, bottom;
  };
  static std::optional<Rect> ParseRect(const std::string& text);

 private:
  std::string path_;
  std::string section_;
  ErrorReporter reporter_;
};
