#pragma once

#include <QColor>
#include <QString>

class QApplication;
class QWidget;

// Pixel sizes are designed at 96 dpi: value × the monitor's dpi / 96, rounded.
int ScaleToMonitor(int pixels, const QWidget *window);
int ScaleToDpi(int pixels, int dpi);
int MonitorDpi(const QWidget *window);

// The desktop's colour-scheme preference: the freedesktop portal setting,
// else GNOME's color-scheme, else the lightness of the palette at start.
bool IsSystemDarkMode();

// Styles are Fusion with a light palette or with a dark one; the names are
// kept for the style switch as the family's programs use them.
void SetDarkStyleName(const QString &name);
QString ActiveStyleName();
bool DarkModeActive();
void ApplyDarkMode(bool dark);
void FollowSystemDarkMode();

// Style colours for owner-drawn controls: the default under the plain light
// style, otherwise the dark style's colour of the element.
enum TStyleElement
{
    seComboBoxEdit,
    seComboBoxItem,
    seComboBoxSelected
};
QColor StyleColor(TStyleElement element, const QColor &defaultColor);
QColor StyleFontColor(TStyleElement element, const QColor &defaultColor);
