#pragma once

#include <QString>
#include <QStringList>

class QApplication;

// The start sequence of the desktop program: locations, language, icon sets,
// appearance, then the main window and its message loop.
int RunProgram(QApplication &app);

// Installs the program's and Qt's translations for a two-letter language code.
void InstallTranslators(QApplication &app, const QString &languageCode);

// "IconStyle" of section "Config" in the family's configuration, -1 when the file is missing.
int FamilyIconStyle(const QString &familyCfg);
