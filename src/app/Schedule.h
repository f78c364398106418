#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <functional>

// Runs of a task that happen by themselves, as systemd user units: a timer
// with its service for a daily or weekly run, or a service that watches for
// the task's device. Nothing here needs root; the units live in the user's
// own unit folder and are switched on through "systemctl --user".

enum class TScheduleKind
{
    Daily,
    Weekly,
    OnPlug
};

struct TSchedule
{
    TScheduleKind Kind = TScheduleKind::Daily;
    QTime Time;      // daily and weekly
    int WeekDay = 1; // weekly: 1 Monday .. 7 Sunday

    bool operator==(const TSchedule &other) const = default;
};

// The English weekday names systemd reads ("Mon" .. "Sun"); index 1..7.
QString WeekDayWord(int weekDay);
// "mon", "Monday", "SUN"...: 1..7, 0 when not a weekday.
int WeekDayFromText(const QString &text);
// "daily at 18:30", "weekly on Mon at 07:05", "when the device is plugged in".
QString ScheduleText(const TSchedule &schedule);

// One argument of an ExecStart line, quoted for systemd: in double quotes,
// with backslash and double quote escaped and "%" and "$" doubled so that
// neither specifiers nor variables are expanded.
QString SystemdQuoted(const QString &argument);
// The unit name without its suffix for a task: "tessaril-" and the task
// file's base name with everything but letters, digits, "-" and "_" as "_".
QString UnitBaseName(const QString &taskFile);

struct TUnitFile
{
    QString Name; // file name in the unit folder
    QString Text;
};

// The units for a task. cliProgram is the absolute path of tessaril-cli;
// logFile is where a timed run saves its log.
QList<TUnitFile> ScheduleUnits(const QString &unitBase, const QString &taskFile, const TSchedule &schedule,
                               const QString &cliProgram, const QString &logFile);

// A finished child process; Started is false when it could not be run at all.
struct TProcessOutcome
{
    bool Started = false;
    int ExitCode = -1;
    QString Output; // standard output and error
};
using TProcessRunner = std::function<TProcessOutcome(const QString &program, const QStringList &arguments)>;
// Runs a program and waits up to 30 seconds for it.
TProcessOutcome RunProcess(const QString &program, const QStringList &arguments);

// One scheduled task as its units say.
struct TScheduleEntry
{
    QString TaskFile;
    TSchedule Schedule;
    QString UnitName; // the timer, or the watch service
};

// What a change did, for the user.
struct TScheduleChange
{
    QString Error;            // empty on success
    QStringList Written;      // unit files written (full paths)
    QStringList Removed;      // unit files removed
    bool ManagerUsed = false; // systemctl --user took the change
    QString ManagerError;     // why not (systemctl's own words)
    QStringList Commands;     // what the user runs to finish it without a user manager

    // Several lines: what was written or removed, and what is left to do.
    QString Report() const;
};

// The systemd user units of this program in one folder.
class TUserUnits
{
public:
    // unitFolder: usually ~/.config/systemd/user; runner calls systemctl.
    TUserUnits(const QString &unitFolder, TProcessRunner runner = RunProcess);

    // ~/.config/systemd/user (or below $XDG_CONFIG_HOME).
    static QString DefaultFolder();

    QList<TScheduleEntry> List() const;
    QList<TScheduleEntry> ListFor(const QString &taskFile) const;

    // Writes the units of one schedule and switches them on. A timed
    // schedule replaces the task's timer; the watch service stays either way.
    TScheduleChange Install(const QString &taskFile, const TSchedule &schedule, const QString &cliProgram,
                            const QString &logFile);
    // Switches off and removes every unit of the task.
    TScheduleChange Remove(const QString &taskFile);

private:
    QString FreeUnitBase(const QString &taskFile, const QString &suffix) const;
    bool Systemctl(const QStringList &arguments, TScheduleChange &change) const;

    QString FFolder;
    TProcessRunner FRunner;
};

// A task path the units can hold: absolute, without control characters.
// Returns the reason when not.
QString UnitTaskPathError(const QString &taskFile);
