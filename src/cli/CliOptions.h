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
    Backup
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
    QString TaskFile;       // run
    QString LogFile;        // run, backup
    bool ShowFiles = false; // tree
    QString Backends;       // every command: mtp, sim or all (empty: the environment's choice)
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
