#pragma once

#include <QString>
#include <QStringList>

// A desktop launcher that runs a task: a freedesktop desktop entry in the
// desktop folder that starts the program with the task file and the option
// force. The window asks before it creates or replaces one; this part only
// names, checks and writes the file.

struct TDesktopShortcut
{
    QString Base;     // the task file's name without folder and extension
    QString Name;     // "Qy-Tesar-" + Base, the launcher's name
    QString FileName; // the launcher file: desktop folder + Name + ".desktop"
    QString Comment;  // "Device backup: " + Base
};

// The launcher of a task file in that desktop folder (with trailing "/").
// The name always ends in ".desktop", also when Base holds a dot: a launcher
// without that extension is not opened by any desktop.
TDesktopShortcut DesktopShortcutFor(const QString &taskName, const QString &desktopDir);

bool DesktopShortcutExists(const TDesktopShortcut &shortcut);

// What a launcher starts, and how it looks.
struct TShortcutTarget
{
    QString ProgramFile; // the program to start
    QStringList Arguments;
    QString WorkingDir; // empty: none
    QString Icon;       // an icon file or an icon theme name; empty: none
};

// The program with the task file and the option force, started in jobDir.
TShortcutTarget TaskShortcutTarget(const QString &programFile, const QString &taskName, const QString &jobDir);

// The text of the desktop entry.
QString DesktopEntryText(const TDesktopShortcut &shortcut, const TShortcutTarget &target);
// One argument of an Exec line: always quoted, with the characters the
// desktop-entry rules reserve escaped and "%" doubled; before the string
// escapes of the file (see DesktopEntryText).
QString QuotedExecArgument(const QString &argument);

// Writes the launcher, replacing one that exists, creates the desktop folder
// when missing, makes the file executable and, where the desktop's gio tool
// is there, marks it trusted so that it starts without a question. Returns
// an empty text on success, else the error's text.
QString CreateDesktopShortcut(const TDesktopShortcut &shortcut, const TShortcutTarget &target);
