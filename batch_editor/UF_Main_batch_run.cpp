// The batch run over the file list.
#include "batch_editor/UF_Main.h"

void TF_Main::BTN_StartClick(QObject* /*Sender*/) {}

void TF_Main::BTN_StopClick(QObject* /*Sender*/) {}
