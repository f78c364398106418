#include "ui/StartUp.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaril"));
    // Lets the desktop match the windows to the launcher and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.tessaril.Tessaril"));
    return RunProgram(app);
}
