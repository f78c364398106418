#pragma once

#include <QPoint>
#include <QRect>

class QScreen;
class QWidget;

// Screen points for dialogs: DefaultPos centres a dialog on the main window,
// CenterPos on the screen; any other point is the dialog's top-left corner
// (a negative coordinate keeps the dialog's own).
inline constexpr QPoint DefaultPos{-1, -1};
inline constexpr QPoint CenterPos{-1, 0};

// The program's main window, which DefaultPos centres on (null: the screen).
void SetMainWindow(QWidget *window);
QWidget *MainWindow();

// Moves a frame rectangle into the work area: 20 pixels inside at the right
// and the left, 30 at the bottom, 20 at the top, in this order of checks.
QRect FitToWorkArea(const QRect &frame, const QRect &workArea);

// Puts a dialog at a screen point as above and fits it into the work area of
// the monitor nearest its top-left corner. `monitor` picks the screen for a
// centred dialog when there is no main window.
void PlaceDialog(QWidget &dialog, QPoint pos, QScreen *monitor = nullptr);
void FitToWorkArea(QWidget &dialog);

// Screen points next to a control, moved by an offset.
QPoint CursorPos(QPoint offset = {});
QPoint TopLeftPos(const QWidget &control, QPoint offset = {});
QPoint BottomLeftPos(const QWidget &control, QPoint offset = {});
QPoint TopRightPos(const QWidget &control, QPoint offset = {});
QPoint BottomRightPos(const QWidget &control, QPoint offset = {});

// The monitor of the active window, else the primary one.
QScreen *ActiveMonitor();
