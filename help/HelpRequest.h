#pragma once

#include <QString>

class TFormHelp;

// The directory of the running executable, without a trailing separator.
QString ProgramDirectory();

// The button "Помощь": the first press of a run writes the pictures into
// programDir and loads the pages; every press shows the help window.
void BtnHelpClick(TFormHelp &help, const QString &programDir);

// Deletes the six help pictures from programDir, silently.
void DeleteHelpPictures(const QString &programDir);
