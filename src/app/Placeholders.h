#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <functional>

// The destination placeholders, in the order in which they are expanded.
extern const char *const DestPlaceholders[13];

// Expands "%device%", "%date%", "%yaw%", "%dow%", "%ldow%", "%dnw%", "%day%",
// "%week%", "%dom%", "%wom%", "%month%", "%lmonth%" and "%year%" in this
// order, in any letter case. Weeks follow ISO 8601. The device name is made
// one harmless path component first: it comes from the device.
QString ExpandDestPlaceholders(const QString &text, const QString &deviceName, const QDate &today,
                               const QLocale &locale = QLocale::system());

// ISO 8601 week of the month: a week belongs to the month that holds its Thursday.
int WeekOfMonth(const QDate &date);

// A device's name as one path component (LocalNameOf); empty stays empty.
QString DeviceNameAsPathComponent(const QString &name);

// Where the destination chooser starts for the text of the destination box:
// the text cut before its first component holding "%", then the nearest
// existing folder upwards; empty when there is none or the text is not an
// absolute path. A leading "~" stands for `homeDir`.
QString DestStartFolder(const QString &destText, const QString &homeDir,
                        const std::function<bool(const QString &)> &folderExists);
// The same on the real file system with the user's home folder.
QString DestStartFolder(const QString &destText);
