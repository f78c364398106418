#include "cli/DesktopNotice.h"

#include "app/Schedule.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

bool HasSessionBus()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // A user manager's session bus, which gdbus finds by itself.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

void TDesktopNotice::Show(const QString &summary, const QString &body, bool failed)
{
    QString reason;
    const QString gdbus = QStandardPaths::findExecutable(QStringLiteral("gdbus"));
    if (!HasSessionBus())
        reason = QStringLiteral("no session bus");
    else if (gdbus.isEmpty())
        reason = QStringLiteral("gdbus is not installed");
    if (reason.isEmpty()) {
        // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
        const TProcessOutcome outcome = RunProcess(
            gdbus,
            {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
             QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("--object-path"),
             QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("--method"),
             QStringLiteral("org.freedesktop.Notifications.Notify"), QStringLiteral("Tessaril"), QStringLiteral("0"),
             failed ? QStringLiteral("dialog-error") : QStringLiteral("drive-removable-media"), summary, body,
             QStringLiteral("[]"), failed ? QStringLiteral("{'urgency': <byte 2>}") : QStringLiteral("{}"),
             failed ? QStringLiteral("0") : QStringLiteral("10000")});
        if (outcome.Started && outcome.ExitCode == 0)
            return;
        reason = outcome.Output.section(QLatin1Char('\n'), 0, 0);
        if (reason.isEmpty())
            reason = QStringLiteral("gdbus ended with status %1").arg(outcome.ExitCode);
        FReasonTold = false; // a failing bus is told every time
    }
    if (FReasonTold)
        return;
    FReasonTold = true;
    std::fprintf(stderr, "tessaril-cli: no desktop notification (%s)\n", qPrintable(reason));
}
