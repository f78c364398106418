#include "ui/DialogPlace.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace {

QPointer<QWidget> &MainWindowRef()
{
    static QPointer<QWidget> window;
    return window;
}

QScreen *ScreenAt(QPoint point)
{
    if (QScreen *screen = QGuiApplication::screenAt(point))
        return screen;
    return QGuiApplication::primaryScreen();
}

} // namespace

void SetMainWindow(QWidget *window)
{
    MainWindowRef() = window;
}

QWidget *MainWindow()
{
    return MainWindowRef().data();
}

QRect FitToWorkArea(const QRect &frame, const QRect &workArea)
{
    QRect r = frame;
    if (r.right() > workArea.right() - 20)
        r.moveRight(workArea.right() - 20);
    if (r.left() < workArea.left() + 20)
        r.moveLeft(workArea.left() + 20);
    if (r.bottom() > workArea.bottom() - 30)
        r.moveBottom(workArea.bottom() - 30);
    if (r.top() < workArea.top() + 20)
        r.moveTop(workArea.top() + 20);
    return r;
}

void FitToWorkArea(QWidget &dialog)
{
    const QRect frame = dialog.frameGeometry();
    QScreen *screen = ScreenAt(frame.topLeft());
    if (!screen)
        return;
    const QRect fitted = FitToWorkArea(frame, screen->availableGeometry());
    dialog.move(dialog.pos() + (fitted.topLeft() - frame.topLeft()));
}

void PlaceDialog(QWidget &dialog, QPoint pos, QScreen *monitor)
{
    dialog.ensurePolished();
    dialog.adjustSize();
    const QSize size = dialog.frameGeometry().size();
    if (pos == DefaultPos || pos == CenterPos) {
        QRect area;
        QWidget *main = MainWindow();
        if (pos == DefaultPos && main && main->isVisible() && &dialog != main)
            area = main->frameGeometry();
        else if (QScreen *screen = monitor ? monitor : ActiveMonitor())
            area = screen->availableGeometry();
        if (area.isValid())
            dialog.move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    } else {
        QPoint target = dialog.pos();
        if (pos.x() >= 0)
            target.setX(pos.x());
        if (pos.y() >= 0)
            target.setY(pos.y());
        dialog.move(target);
    }
    FitToWorkArea(dialog);
}

QPoint CursorPos(QPoint offset)
{
    return QCursor::pos() + offset;
}

QPoint TopLeftPos(const QWidget &control, QPoint offset)
{
    return control.mapToGlobal(QPoint(0, 0)) + offset;
}

QPoint BottomLeftPos(const QWidget &control, QPoint offset)
{
    return control.mapToGlobal(QPoint(0, control.height())) + offset;
}

QPoint TopRightPos(const QWidget &control, QPoint offset)
{
    return control.mapToGlobal(QPoint(control.width(), 0)) + offset;
}

QPoint BottomRightPos(const QWidget &control, QPoint offset)
{
    return control.mapToGlobal(QPoint(control.width(), control.height())) + offset;
}

QScreen *ActiveMonitor()
{
    if (QWidget *active = QApplication::activeWindow())
        if (QScreen *screen = active->screen())
            return screen;
    if (QWidget *main = MainWindow())
        return main->screen();
    return QGuiApplication::primaryScreen();
}
