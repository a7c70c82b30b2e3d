#include "widgets/window_placement.h"

#include <QWidget>
#include <charconv>
#include <string_view>

#include "platform/ini_file.h"

namespace {
// What the window-placement record holds for a window shown normally.
constexpr int kFormVersion = 0;
constexpr int kFlags = 0;
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
constexpr const char* kUnknownMinMax = "-1,-1,-1,-1";

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<int> ParseInt(std::string_view s) {
  s = Trimmed(s);
  int value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}
}  // namespace

std::optional<WindowPlacement::Rect> WindowPlacement::ParseRect(const std::string& text) {
  int values[4];
  std::string_view rest(text);
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = rest.find(',');
    const bool last = i == 3;
    if (last != (comma == std::string_view::npos)) return std::nullopt;
    const std::optional<int> v = ParseInt(last ? rest : rest.substr(0, comma));
    if (!v) return std::nullopt;
    values[i] = *v;
    if (!last) rest.remove_prefix(comma + 1);
  }
  return Rect{values[0], values[1], values[2], values[3]};
}

bool WindowPlacement::Restore(QWidget& window, int pixelsPerInch) const {
  const platform::IniFile ini(path_);
  const std::optional<std::string> ppi = ini.ReadValue(section_, "PixelsPerInch");
  const std::optional<std::string> norm = ini.ReadValue(section_, "NormPos");
  std::optional<Rect> rect;
  if (ppi && norm && ParseInt(*ppi) == pixelsPerInch) rect = ParseRect(*norm);
  if (!rect) {
    window.move(0, 0);
    return false;
  }
  window.move(rect->left, rect->top);
  return true;
}

bool WindowPlacement::Save(const QWidget& window, int pixelsPerInch) const {
  const platform::IniFile ini(path_);
  const QRect frame = window.frameGeometry();
  const int showCmd = window.isMinimized()   ? kShowMinimized
                      : window.isMaximized() ? kShowMaximized
                                             : kShowNormal;
  const std::string normPos = std::to_string(frame.left()) + "," + std::to_string(frame.top()) + "," +
                              std::to_string(frame.left() + frame.width()) + "," +
                              std::to_string(frame.top() + frame.height());
  const std::pair<const char*, std::string> values[] = {
      {"FormVersion", std::to_string(kFormVersion)},
      {"Flags", std::to_string(kFlags)},
      {"ShowCmd", std::to_string(showCmd)},
      {"PixelsPerInch", std::to_string(pixelsPerInch)},
      {"MinMaxPos", kUnknownMinMax},
      {"NormPos", normPos},
      {"Visible", window.isVisible() ? "1" : "0"},
  };
  for (const auto& [key, value] : values) {
    if (!ini.WriteValue(section_, key, value)) {
      if (reporter_)
        reporter_(QString::fromUtf8("Impossible d'écrire dans %1")
                      .arg(QString::fromLocal8Bit(path_.data(), static_cast<qsizetype>(path_.size()))));
      return false;
    }
  }
  return true;
}
