// The tag engine's single object, which is also the frame list window: it
// lists the ID3v2 frames of the file read last, with the number of frames and
// the tag size above them. Created hidden at start-up, after the main window;
// closing it only hides it.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "tag_engine/mp3_tag_engine.h"

class Panel;
class QLabel;
class StringGrid;

class TF_Util_MP3 : public QDialog, public Mp3TagEngine {
 public:
  static constexpr int kClientWidth = 646;
  static constexpr int kClientHeight = 281;
  static constexpr int kPanelHeight = 41;
  static constexpr int kHeaderRowHeight = 22;

  // Takes DataFolder from F_Main when the main window exists.
  explicit TF_Util_MP3(QWidget* parent = nullptr);
  ~TF_Util_MP3() override;

  Panel* Panel1;
  QLabel* LBL_Nb_Frame;
  QLabel* LBL_Octets_Frame;
  StringGrid* STG_Frame;

  // The settings operations, one complete open, access and close cycle of
  // the settings file each; see tag_engine/settings_ops.h for their rules.
  std::string ReadSettingText(const std::string& FileName, const std::string& Section, const std::string& Key,
                              const std::string& Default);
  std::string ReadSettingPath(const std::string& FileName, const std::string& Section, const std::string& Key,
                              const std::string& Default);
  std::int32_t ReadSettingInteger(const std::string& FileName, const std::string& Section,
                                  const std::string& Key, std::int32_t Default);
  void WriteSettingText(const std::string& FileName, const std::string& Section, const std::string& Key,
                        const std::string& Value);
  void WriteSettingInteger(const std::string& FileName, const std::string& Section, const std::string& Key,
                           std::int32_t Value);

 protected:
  // Called by ReadTag after a completed frame walk: STG_Frame gets one row
  // per frame below its header (id, size in decimal digits, the two flag
  // bytes, the content bytes) and one empty row at the bottom, after every
  // earlier row was cleared; the labels read "<n> frames" and "<tagSize>
  // octets frames". The cells keep the bytes whole. The grid draws only the
  // start of a long content: UTF-8 text as its characters, any byte that is
  // no UTF-8 as its Latin-1 character (so ISO-8859-1 text reads as itself),
  // control bytes visibly (see StringGrid).
  void RefreshFrameList(const std::vector<T_Frame_Mp3>& frames, std::int32_t tagSize) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ArrangeControls();
};

// The program's one frame list window; null before start-up created it.
extern TF_Util_MP3* F_Util_MP3;
