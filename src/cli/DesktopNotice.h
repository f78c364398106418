#pragma once

#include <QString>

// Desktop notifications (org.freedesktop.Notifications on the session bus)
// through the "gdbus" tool, so that the command-line runner needs no D-Bus
// library. Without a session bus or without gdbus nothing is shown; the
// reason is told once on standard error.
class TDesktopNotice
{
public:
    void Show(const QString &summary, const QString &body, bool failed);

private:
    bool FReasonTold = false;
};
