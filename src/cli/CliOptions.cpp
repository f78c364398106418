#include "cli/CliOptions.h"

#include "app/BackupConfig.h"
#include "app/LocaleDates.h"
#include "app/Schedule.h"
#include "app/TimeSlot.h"
#include "device/BackendChoice.h"

#include <QDate>
#include <QTime>

namespace {

const QStringList OverwriteWords = {QStringLiteral("older"), QStringLiteral("all"), QStringLiteral("none")};
const QStringList TimeModeWords = {QStringLiteral("all"),    QStringLiteral("since"), QStringLiteral("before"),
                                   QStringLiteral("period"), QStringLiteral("today"), QStringLiteral("recent"),
                                   QStringLiteral("older")};

// Walks the arguments; options take their value from the next argument or
// after "=".
class TArgReader
{
public:
    explicit TArgReader(const QStringList &args) : FArgs(args) {}

    bool AtEnd() const { return FPos >= FArgs.size(); }
    QString Next() { return FArgs.at(FPos++); }

    bool Value(const QString &option, QString &inlineValue, QString &value, QString &error)
    {
        if (!inlineValue.isNull()) {
            value = inlineValue;
            return true;
        }
        if (AtEnd()) {
            error = QStringLiteral("option %1 needs a value").arg(option);
            return false;
        }
        value = Next();
        return true;
    }

private:
    const QStringList FArgs;
    qsizetype FPos = 0;
};

bool WordIndex(const QStringList &words, const QString &option, const QString &value, int &index, QString &error)
{
    index = int(words.indexOf(value.toLower()));
    if (index >= 0)
        return true;
    error = QStringLiteral("%1 must be one of: %2").arg(option, words.join(QStringLiteral(", ")));
    return false;
}

bool ParseBackupOption(const QString &option, QString inlineValue, TArgReader &reader, TCliArguments &result,
                       QString &error)
{
    TCliBackupOptions &backup = result.Backup;
    QString value;
    const auto needValue = [&]() { return reader.Value(option, inlineValue, value, error); };

    if (option == QStringLiteral("--to"))
        return needValue() && (backup.Destination = value, true);
    if (option == QStringLiteral("--dir"))
        return needValue() && (backup.Dirs.append(value), true);
    if (option == QStringLiteral("--overwrite")) {
        int index = 0;
        if (!needValue() || !WordIndex(OverwriteWords, option, value, index, error))
            return false;
        backup.Overwrite = index;
        return true;
    }
    if (option == QStringLiteral("--archive"))
        return backup.ArchBit = true;
    if (option == QStringLiteral("--compress"))
        return backup.Compress = true;
    if (option == QStringLiteral("--zip"))
        return backup.Compress = backup.Zip = true;
    if (option == QStringLiteral("--no-comp-types"))
        return needValue() && (backup.NoCompTypes = value, true);
    if (option == QStringLiteral("--filter"))
        return needValue() && (backup.Filter = value, true);
    if (option == QStringLiteral("--exclude"))
        return backup.FilterExclude = true;
    if (option == QStringLiteral("--regex"))
        return backup.FilterRegular = true;
    if (option == QStringLiteral("--time")) {
        int index = 0;
        if (!needValue() || !WordIndex(TimeModeWords, option, value, index, error))
            return false;
        backup.TimeMode = index;
        return true;
    }
    if (option == QStringLiteral("--from"))
        return needValue() && (backup.DateFrom = value, true);
    if (option == QStringLiteral("--until"))
        return needValue() && (backup.DateUntil = value, true);
    if (option == QStringLiteral("--day-time"))
        return needValue() && (backup.DayTime = value, true);
    if (option == QStringLiteral("--days")) {
        if (!needValue())
            return false;
        bool ok = false;
        const int days = value.toInt(&ok);
        if (!ok || days < 0 || days > 9999) {
            error = QStringLiteral("--days must be a number from 0 to 9999");
            return false;
        }
        backup.Days = days;
        return true;
    }
    if (option == QStringLiteral("--save-task"))
        return needValue() && (backup.SaveTask = value, true);
    error = QStringLiteral("unknown option %1").arg(option);
    return false;
}

bool ParseScheduleOption(const QString &option, QString inlineValue, TArgReader &reader, TCliArguments &result,
                         QString &error)
{
    static const QStringList actions = {QStringLiteral("--daily"), QStringLiteral("--weekly"),
                                        QStringLiteral("--on-plug"), QStringLiteral("--list"),
                                        QStringLiteral("--remove")};
    const int index = int(actions.indexOf(option));
    if (index < 0) {
        error = QStringLiteral("unknown option %1").arg(option);
        return false;
    }
    if (result.Schedule != TScheduleAction::None) {
        error = QStringLiteral("schedule takes one of --daily, --weekly, --on-plug, --list, --remove");
        return false;
    }
    result.Schedule = static_cast<TScheduleAction>(index + 1);
    QString value;
    if (result.Schedule == TScheduleAction::Weekly) {
        if (!reader.Value(option, inlineValue, value, error))
            return false;
        result.WeekDay = WeekDayFromText(value);
        if (result.WeekDay == 0) {
            error = QStringLiteral("--weekly needs a weekday (Mon .. Sun), not %1").arg(value);
            return false;
        }
        if (reader.AtEnd()) {
            error = QStringLiteral("--weekly needs a weekday and a time (HH:MM)");
            return false;
        }
        value = reader.Next();
    } else if (result.Schedule == TScheduleAction::Daily) {
        if (!reader.Value(option, inlineValue, value, error))
            return false;
    } else {
        return true;
    }
    if (!QTime::fromString(value, QStringLiteral("H:mm")).isValid()) {
        error = QStringLiteral("%1: not a time (HH:MM): %2").arg(option, value);
        return false;
    }
    result.TimeOfDay = value;
    return true;
}

bool ParseOption(const QString &arg, TArgReader &reader, TCliArguments &result, QString &error)
{
    QString option = arg;
    QString inlineValue;
    const qsizetype equals = arg.indexOf(QLatin1Char('='));
    if (equals > 0) {
        option = arg.left(equals);
        inlineValue = arg.mid(equals + 1);
    }
    if (option == QStringLiteral("--backends")) {
        TBackendChoice choice;
        if (!reader.Value(option, inlineValue, result.Backends, error))
            return false;
        if (!ParseBackendChoice(result.Backends, choice)) {
            error = QStringLiteral("--backends takes mtp, ptp, sim, a list of them or all");
            return false;
        }
        return true;
    }
    if (option == QStringLiteral("--log")) {
        if (result.Command != TCliCommand::Run && result.Command != TCliCommand::Backup) {
            error = QStringLiteral("--log belongs to run and backup");
            return false;
        }
        return reader.Value(option, inlineValue, result.LogFile, error);
    }
    const bool runsBackup = result.Command == TCliCommand::Run || result.Command == TCliCommand::Backup;
    if (runsBackup && inlineValue.isNull()) {
        if (option == QStringLiteral("--dry-run"))
            return result.DryRun = true;
        if (option == QStringLiteral("--progress") || option == QStringLiteral("--no-progress")) {
            result.Progress = option == QStringLiteral("--progress");
            return true;
        }
        if (option == QStringLiteral("--quiet"))
            return result.Quiet = true;
    }
    if (option == QStringLiteral("--files") && result.Command == TCliCommand::Tree)
        return result.ShowFiles = true;
    if (option == QStringLiteral("--ids") && result.Command == TCliCommand::Devices)
        return result.DeviceIds = true;
    if (option == QStringLiteral("--notify") && result.Command == TCliCommand::Run)
        return result.Notify = true;
    if (option == QStringLiteral("--rescan") && result.Command == TCliCommand::Watch) {
        QString value;
        if (!reader.Value(option, inlineValue, value, error))
            return false;
        bool ok = false;
        result.RescanSeconds = value.toInt(&ok);
        if (!ok || result.RescanSeconds < 1 || result.RescanSeconds > 3600) {
            error = QStringLiteral("--rescan must be a number of seconds from 1 to 3600");
            return false;
        }
        return true;
    }
    if (result.Command == TCliCommand::Schedule)
        return ParseScheduleOption(option, inlineValue, reader, result, error);
    if (result.Command == TCliCommand::Backup)
        return ParseBackupOption(option, inlineValue, reader, result, error);
    error = QStringLiteral("unknown option %1").arg(option);
    return false;
}

bool ParseDate(const QString &text, TDateTime &date)
{
    const QDate parsed = QDate::fromString(text, Qt::ISODate);
    if (!parsed.isValid())
        return false;
    date = QtDateToDateTime(parsed);
    return true;
}

} // namespace

bool ParseCliArguments(const QStringList &args, TCliArguments &result, QString &error)
{
    result = TCliArguments();
    if (args.isEmpty()) {
        error = QStringLiteral("no command given (try --help)");
        return false;
    }
    const QString &command = args.first();
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") || command == QStringLiteral("help")) {
        result.Command = TCliCommand::Help;
        return true;
    }
    if (command == QStringLiteral("--version")) {
        result.Command = TCliCommand::Version;
        return true;
    }
    static const QStringList commands = {QStringLiteral("devices"), QStringLiteral("tree"),
                                         QStringLiteral("run"),     QStringLiteral("backup"),
                                         QStringLiteral("watch"),   QStringLiteral("schedule")};
    const int commandIndex = int(commands.indexOf(command));
    if (commandIndex < 0) {
        error = QStringLiteral("unknown command %1 (try --help)").arg(command);
        return false;
    }
    result.Command = static_cast<TCliCommand>(int(TCliCommand::Devices) + commandIndex);

    QStringList positional;
    TArgReader reader(args.mid(1));
    bool optionsEnded = false;
    while (!reader.AtEnd()) {
        const QString arg = reader.Next();
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QStringLiteral("--help") || arg == QStringLiteral("-h"))) {
            result = TCliArguments();
            return true;
        } else if (!optionsEnded && arg.startsWith(QStringLiteral("--"))) {
            if (!ParseOption(arg, reader, result, error))
                return false;
        } else {
            positional.append(arg);
        }
    }

    if (result.Command == TCliCommand::Watch) {
        result.TaskFiles = positional;
        return true;
    }
    if (result.Command == TCliCommand::Schedule) {
        if (result.Schedule == TScheduleAction::None) {
            error = QStringLiteral("schedule needs one of --daily, --weekly, --on-plug, --list, --remove");
            return false;
        }
        if (positional.size() > 1 || (positional.isEmpty() && result.Schedule != TScheduleAction::List)) {
            error = QStringLiteral("schedule needs exactly one task file");
            return false;
        }
        result.TaskFile = positional.value(0);
        return true;
    }
    const qsizetype wanted = result.Command == TCliCommand::Devices ? 0 : 1;
    if (positional.size() != wanted) {
        error = wanted == 0 ? QStringLiteral("devices takes no arguments")
                            : QStringLiteral("%1 needs exactly one %2")
                                  .arg(command, result.Command == TCliCommand::Run ? QStringLiteral("task file")
                                                                                   : QStringLiteral("device name"));
        return false;
    }
    if (result.Command == TCliCommand::Run)
        result.TaskFile = positional.first();
    else if (wanted == 1)
        result.Device = positional.first();
    if (result.Command == TCliCommand::Backup && result.Backup.Destination.isEmpty()) {
        error = QStringLiteral("backup needs a destination (--to DIR)");
        return false;
    }
    // A dry run writes nothing at all, so nothing that would write may come with it.
    if (result.DryRun && !result.LogFile.isEmpty()) {
        error = QStringLiteral("--dry-run writes nothing; it cannot save a log (--log)");
        return false;
    }
    if (result.DryRun && !result.Backup.SaveTask.isEmpty()) {
        error = QStringLiteral("--dry-run writes nothing; it cannot save a task (--save-task)");
        return false;
    }
    return true;
}

bool ApplyBackupOptions(const TCliBackupOptions &options, TBackupConfig &config, QString &error)
{
    config.Destination = options.Destination;
    if (options.Overwrite)
        config.Overwrite = *options.Overwrite;
    config.ArchBit = options.ArchBit;
    config.Compress = options.Compress;
    config.CompressAsZip = options.Zip;
    if (options.NoCompTypes)
        ApplyNoCompTypesText(config.AktNoComp,
                             *options.NoCompTypes == QString() ? QStringLiteral("#") : *options.NoCompTypes);
    if (options.Filter || options.FilterRegular || options.FilterExclude) {
        TTextFilter &filter = config.FFilter;
        filter.SetRegular(options.FilterRegular);
        filter.SetMode(options.FilterExclude ? fmExclude : fmInclude);
        try {
            filter.SetFilter(options.Filter.value_or(QString()));
        } catch (const EFilterError &e) {
            error = QStringLiteral("--filter: %1").arg(e.Message());
            return false;
        }
    }

    TTimePeriod &period = config.TmPeriod;
    if (options.TimeMode)
        period.Mode = static_cast<TTimeMode>(*options.TimeMode);
    if (options.Days)
        period.Days = *options.Days;
    if (options.DateFrom && !ParseDate(*options.DateFrom, period.Dat1)) {
        error = QStringLiteral("--from: not a date (yyyy-mm-dd): %1").arg(*options.DateFrom);
        return false;
    }
    if (options.DateUntil && !ParseDate(*options.DateUntil, period.Dat2)) {
        error = QStringLiteral("--until: not a date (yyyy-mm-dd): %1").arg(*options.DateUntil);
        return false;
    }
    if (options.DayTime) {
        const QTime time = QTime::fromString(*options.DayTime, QStringLiteral("H:mm"));
        if (!time.isValid()) {
            error = QStringLiteral("--day-time: not a time (hh:mm): %1").arg(*options.DayTime);
            return false;
        }
        period.DayTime = (time.hour() * 60 + time.minute()) / 1440.0;
    }
    return true;
}

QString DevicePathFromArgument(const QString &path)
{
    QString devicePath = path;
    devicePath.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (devicePath.startsWith(QLatin1Char('\\')))
        devicePath.remove(0, 1);
    return devicePath;
}

QString CliHelpText()
{
    return QStringLiteral("Usage: tessaril-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
                          "Backs up files from portable devices to a folder.\n"
                          "\n"
                          "Commands:\n"
                          "  devices                  list the connected devices with their details\n"
                          "  tree DEVICE [--files]    print a device's folder tree (and its files)\n"
                          "  run TASK.tsj [--log FILE] [--notify] [RUN OPTIONS]\n"
                          "                           load a backup task and run it; --notify shows\n"
                          "                           how it ended as a desktop notification\n"
                          "  watch [TASK.tsj...] [--rescan SECONDS]\n"
                          "                           wait for devices and run each task once when its\n"
                          "                           device is plugged in (every task of the task\n"
                          "                           folder when none is given); Ctrl-C ends it\n"
                          "  schedule TASK.tsj --daily HH:MM | --weekly DAY HH:MM | --on-plug | --remove\n"
                          "  schedule [TASK.tsj] --list\n"
                          "                           run a task by itself through systemd user units\n"
                          "  backup DEVICE --to DEST [--dir PATH]... [OPTIONS] [RUN OPTIONS]\n"
                          "                           back up folders of a device (the whole device\n"
                          "                           without --dir); PATH names device folders from\n"
                          "                           the storage down, separated by \"\\\" or \"/\"\n"
                          "\n"
                          "Backup options (as a task file holds them):\n"
                          "  --to DEST                destination folder; may hold placeholders such as\n"
                          "                           %device% and %date%\n"
                          "  --overwrite RULE         older (default): existing files when older,\n"
                          "                           all: all existing files, none: no existing files\n"
                          "  --archive                set the archive attribute on written files\n"
                          "  --compress               write gzip files (.gz)\n"
                          "  --zip                    write one-entry zip archives (.zip)\n"
                          "  --no-comp-types LIST     comma-separated types never compressed; \"#\" for none\n"
                          "  --filter TEXT            file-name masks separated by \"|\" (or a regular\n"
                          "                           expression with --regex); only matching files\n"
                          "  --exclude                copy all files except the matching ones\n"
                          "  --regex                  the filter is a regular expression\n"
                          "  --time MODE              all, since (--from), before (--until), period\n"
                          "                           (--from, --until), today (--day-time),\n"
                          "                           recent (not older than --days), older (than --days)\n"
                          "  --from DATE, --until DATE   dates as yyyy-mm-dd\n"
                          "  --day-time HH:MM         time of day for \"today\"\n"
                          "  --days N                 number of days\n"
                          "  --save-task FILE         also save these settings as a task file\n"
                          "  --log FILE               save the log to FILE (UTF-8) after the run\n"
                          "\n"
                          "Run options (run and backup):\n"
                          "  --dry-run                list what would be copied, updated or skipped\n"
                          "                           (and why) with counts and bytes; writes nothing,\n"
                          "                           not even folders or a log\n"
                          "  --progress               a progress line on standard error (the default\n"
                          "                           when standard error is a terminal; never shown\n"
                          "                           elsewhere)\n"
                          "  --no-progress            no progress line\n"
                          "  --quiet                  print only errors and the final line\n"
                          "\n"
                          "Other options:\n"
                          "  --help, --version\n"
                          "\n"
                          "Ctrl-C stops a run: the file being copied is abandoned (an earlier copy\n"
                          "of it stays) and no further file is begun; a second Ctrl-C ends at once.\n"
                          "\n"
                          "Exit status: 0 when every file was copied or skipped by the rules, 1 when\n"
                          "any file failed, a copy's times could not be set, a folder could not be\n"
                          "read, a task's saved folder was not found, a task's settings refused the\n"
                          "run, the device shows no storage (locked) or the run was stopped,\n"
                          "2 when the run could not start (no such device, a task file that is not\n"
                          "valid or selects no folder, a filter that excludes every file).\n"
                          "Simulated devices are read from the folder named by TESSARIL_DEVICES.\n"
                          "--backends mtp|ptp|sim|all (any command) lists only phones and players\n"
                          "(libmtp), only cameras (libgphoto2), only simulated devices, a comma-separated\n"
                          "set of these, or all (the default; also TESSARIL_BACKENDS).\n");
}
