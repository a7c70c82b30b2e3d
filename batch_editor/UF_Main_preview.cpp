// The tag preview of the selected file and the option handlers.
#include <QLabel>

#include "batch_editor/UF_Main.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/radio_group.h"
#include "widgets/text.h"
#include "widgets/text_edit.h"

namespace {

// The labels' prefixes, in field order: title, artist, album, comment, date,
// track, genre, category. Program text is UTF-8: C2 B0 is the degree sign.
const char* const kTagPrefixes[8] = {"Title : ", "Artist : ", "Album : ",  "Comment : ",
                                     "Date : ",  "Track N\xC2\xB0 : ", "Genre : ", "Category : "};

void ShowTags(QLabel* const (&labels)[8], const std::string (&values)[8]) {
  for (int i = 0; i < 8; ++i) labels[i]->setText(widgets::FromText(kTagPrefixes[i] + values[i]));
}

}  // namespace

RuleSet TF_Main::RulesFromControls() const {
  RuleSet r;
  r.RGP_Nom_Titre = RGP_Nom_Titre->ItemIndex();
  r.EDT_Nom_Titre_Text = EDT_Nom_Titre_Text->Text();
  r.RGP_Nom_Artiste = RGP_Nom_Artiste->ItemIndex();
  r.EDT_Nom_Artist_Text = EDT_Nom_Artist_Text->Text();
  r.RGP_Nom_Album = RGP_Nom_Album->ItemIndex();
  r.EDT_Nom_Album_Text = EDT_Nom_Album_Text->Text();
  r.RGP_Nom_Comment = RGP_Nom_Comment->ItemIndex();
  r.EDT_Nom_Comment_Text = EDT_Nom_Comment_Text->Text();
  r.RGP_Nom_Date = RGP_Nom_Date->ItemIndex();
  r.EDT_Nom_Date = EDT_Nom_Date->Value();
  r.RGP_Nom_Track = RGP_Nom_Track->ItemIndex();
  r.RGP_Nom_Genre = RGP_Nom_Genre->ItemIndex();
  r.EDT_Nom_Genre_Text = EDT_Nom_Genre_Text->Text();
  r.CBX_Nom_Genre_List = CBX_Nom_Genre_List->SelectedText();
  r.RGP_Nom_Category = RGP_Nom_Category->ItemIndex();
  r.EDT_Nom_Category_Text = EDT_Nom_Category_Text->Text();
  r.CBX_Nom_Category_List = CBX_Nom_Category_List->SelectedText();
  r.RGP_Tag = RGP_Tag->ItemIndex();
  return r;
}

void TF_Main::ShowActualTags(const std::string (&values)[8]) {
  QLabel* const labels[8] = {LBL_Titre, LBL_Artist, LBL_Album, LBL_Comment,
                             LBL_Date,  LBL_Track,  LBL_Genre, LBL_Category};
  ShowTags(labels, values);
}

void TF_Main::ShowNewTags(const std::string (&values)[8]) {
  QLabel* const labels[8] = {LBL_Titre_New, LBL_Artist_New, LBL_Album_New, LBL_Comment_New,
                             LBL_Date_New,  LBL_Track_New,  LBL_Genre_New, LBL_Category_New};
  ShowTags(labels, values);
}

void TF_Main::LBX_FileClick(QObject* /*Sender*/) {
  // Runs from the list, the option handlers and the run's pumps; nothing may
  // leave it as an exception.
  try {
    const std::string bare[8];
    ShowActualTags(bare);
    ShowNewTags(bare);
    const int s = LBX_File->ItemIndex();
    if (s < 0 || static_cast<std::size_t>(s) >= Files.size() || !F_Util_MP3) return;
    const TListe_File entry = Files[static_cast<std::size_t>(s)];
    F_Util_MP3->ReadTag(entry.FullPath);
    const CurrentTags c = CurrentTagsOf(*F_Util_MP3);
    ShowActualTags({c.TagTitle, c.TagArtist, c.TagAlbum, c.TagComment, c.TagYear, c.TagTrack, c.TagGenre,
                    c.TagCategory});
    const int n = PreviewTrackNumber(Files, static_cast<std::size_t>(s));
    const NewValues v = DeriveNewValues(RulesFromControls(), entry, n, c);
    ShowNewTags({v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear, v.NewTrack, v.NewGenre,
                 v.NewCategory});
  } catch (...) {
  }
}

void TF_Main::SetInputEnablement() {
  EDT_Nom_Titre_Text->setEnabled(RGP_Nom_Titre->ItemIndex() == 2);
  EDT_Nom_Artist_Text->setEnabled(RGP_Nom_Artiste->ItemIndex() == 2);
  EDT_Nom_Album_Text->setEnabled(RGP_Nom_Album->ItemIndex() == 2);
  EDT_Nom_Comment_Text->setEnabled(RGP_Nom_Comment->ItemIndex() == 1);
  EDT_Nom_Date->setEnabled(RGP_Nom_Date->ItemIndex() == 1);
  EDT_Nom_Genre_Text->setEnabled(RGP_Nom_Genre->ItemIndex() == 1);
  CBX_Nom_Genre_List->setEnabled(RGP_Nom_Genre->ItemIndex() == 2);
  EDT_Nom_Category_Text->setEnabled(RGP_Nom_Category->ItemIndex() == 1);
  CBX_Nom_Category_List->setEnabled(RGP_Nom_Category->ItemIndex() == 2);
}

void TF_Main::RGP_Nom_TitreChange(QObject* /*Sender*/, int /*ButtonIndex*/) {
  SetInputEnablement();
  LBX_FileClick(this);
}

void TF_Main::EDT_Nom_Titre_TextChange(QObject* /*Sender*/) {
  SetInputEnablement();
  LBX_FileClick(this);
}

void TF_Main::BTN_Detail_FrameClick(QObject* /*Sender*/) {
  if (F_Util_MP3) F_Util_MP3->exec();
}
