#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct TBackupConfig;

// What the command line asks for.
enum class TCliCommand
{
    Help,
    Version,
    Devices,
    Tree,
    Run,
    Backup,
    Watch,
    Schedule
};

// What "schedule" does with a task.
enum class TScheduleAction
{
    None,
    Daily,
    Weekly,
    OnPlug,
    List,
    Remove
};

// Backup options as given; unset ones keep the configuration's defaults.
struct TCliBackupOptions
{
    QString Destination;
    QStringList Dirs; // device paths, "\" or "/" between names
    std::optional<int> Overwrite;
    bool ArchBit = false;
    bool Compress = false;
    bool Zip = false;
    std::optional<QString> NoCompTypes;
    std::optional<QString> Filter;
    bool FilterExclude = false;
    bool FilterRegular = false;
    std::optional<int> TimeMode;
    std::optional<QString> DateFrom;  // yyyy-MM-dd
    std::optional<QString> DateUntil; // yyyy-MM-dd
    std::optional<QString> DayTime;   // HH:mm
    std::optional<int> Days;
    QString SaveTask;
};

struct TCliArguments
{
    TCliCommand Command = TCliCommand::Help;
    QString Device;         // tree, backup
    QString TaskFile;       // run, schedule (may be empty with --list)
    QStringList TaskFiles;  // watch (empty: every task of the task folder)
    int RescanSeconds = 10; // watch: how often to look for devices without udev events
    bool Notify = false;    // run: desktop notification at the end (watch always notifies)
    TScheduleAction Schedule = TScheduleAction::None;
    int WeekDay = 0;        // schedule --weekly: 1 Monday .. 7 Sunday
    QString TimeOfDay;      // schedule --daily, --weekly: HH:MM
    QString LogFile;        // run, backup
    bool ShowFiles = false; // tree
    bool DeviceIds = false; // devices: one "device<TAB>identifier<TAB>name" line each, for watch
    QString Backends;       // every command: mtp, ptp, sim, a list of them or all (empty: the environment's choice)
    bool DryRun = false;    // run, backup: only list what would be done, write nothing
    std::optional<bool> Progress; // run, backup: progress line on a terminal (unset: unless Quiet)
    bool Quiet = false;           // run, backup: only errors and the final line
    TCliBackupOptions Backup;
};

// Parses the arguments after the program name; on failure returns false with
// a one-line reason.
bool ParseCliArguments(const QStringList &args, TCliArguments &result, QString &error);

// Puts the backup options into a configuration; false with a reason when a
// value cannot be used (an invalid filter, a date that cannot be read).
bool ApplyBackupOptions(const TCliBackupOptions &options, TBackupConfig &config, QString &error);

// A device path as the device layer keeps it: names joined by "\".
QString DevicePathFromArgument(const QString &path);

QString CliHelpText();
