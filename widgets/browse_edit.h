// A one-line path field with a browse button that opens a folder picker.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QToolButton;

class BrowseEdit : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kButtonWidth = 18;

  // Given the field's path (possibly empty), returns the chosen folder, or
  // std::nullopt when the user cancels.
  using FolderPicker = std::function<std::optional<std::string>(const std::string& start)>;

  // Until SetPicker is called, the button opens the platform's folder dialog.
  explicit BrowseEdit(QWidget* parent = nullptr);

  // The path is kept as the file system's bytes: what the program sets is
  // returned unchanged until the user edits the field.
  std::string Path() const { return path_; }
  void SetPath(const std::string& path);

  void SetPicker(FolderPicker picker) { picker_ = std::move(picker); }

  QLineEdit* Field() const { return field_; }
  QToolButton* Button() const { return button_; }

  // Opens the picker at the field's folder; a confirmed folder becomes the
  // path. Then, confirmed or cancelled, raises `browsed`.
  void Browse();

 signals:
  void browsed();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLineEdit* field_;
  QToolButton* button_;
  FolderPicker picker_;
  std::string path_;
};
