// The tag preview of the selected file and the option handlers.
#include "batch_editor/UF_Main.h"

void TF_Main::LBX_FileClick(QObject* /*Sender*/) {}

void TF_Main::RGP_Nom_TitreChange(QObject* /*Sender*/, int /*ButtonIndex*/) {}

void TF_Main::EDT_Nom_Titre_TextChange(QObject* /*Sender*/) {}

void TF_Main::BTN_Detail_FrameClick(QObject* /*Sender*/) {}
