#pragma once

#include <QString>

class TFormHelp;

// False until the first help request of the run has written the pictures and
// loaded the pages; never reset, so that work is done once per run.
extern bool HelpContentReady;

// The directory of the running executable, without a trailing separator.
QString ProgramDirectory();

// The button "Помощь": the first press of a run writes the pictures into
// programDir, loads the pages and turns to page 1; every press shows the help
// window and brings it to the front.
void BtnHelpClick(TFormHelp &help, const QString &programDir);

// Deletes the six help pictures from programDir, silently.
void DeleteHelpPictures(const QString &programDir);
