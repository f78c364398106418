#include "UiTestSupport.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

QTemporaryDir &Home()
{
    static QTemporaryDir home;
    return home;
}

} // namespace

void PrepareUiTestEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray home = Home().path().toUtf8();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_DESKTOP_DIR", home + "/Desktop");
    qputenv("XDG_DOCUMENTS_DIR", home + "/Documents");
    // No session bus: the desktop's colour-scheme query must not wait for one.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QStandardPaths::setTestModeEnabled(true);
}

QString TestHome()
{
    return Home().path();
}
