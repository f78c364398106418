#include "app/Schedule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString UnitPrefix = QStringLiteral("tessaril-");
const QString OnPlugSuffix = QStringLiteral("-on-plug.service");
const QString TimerSuffix = QStringLiteral(".timer");
const QString ServiceSuffix = QStringLiteral(".service");
const QString TaskLinePrefix = QStringLiteral("# Task file: ");
const QStringList WeekDayWords = {QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                                  QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"),
                                  QStringLiteral("Sun")};
const QStringList WeekDayNames = {QStringLiteral("monday"),   QStringLiteral("tuesday"), QStringLiteral("wednesday"),
                                  QStringLiteral("thursday"), QStringLiteral("friday"),  QStringLiteral("saturday"),
                                  QStringLiteral("sunday")};

// Free text in a unit (Description): specifiers would expand "%".
QString SystemdText(QString text)
{
    return text.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

QString TaskTitle(const QString &taskFile)
{
    return QFileInfo(taskFile).completeBaseName();
}

QString OnCalendar(const TSchedule &schedule)
{
    const QString time = schedule.Time.toString(QStringLiteral("HH:mm:00"));
    return schedule.Kind == TScheduleKind::Weekly ? WeekDayWord(schedule.WeekDay) + QStringLiteral(" *-*-* ") + time
                                                  : QStringLiteral("*-*-* ") + time;
}

// The schedule back from an OnCalendar value this program wrote.
bool ScheduleFromCalendar(const QString &value, TSchedule &schedule)
{
    const QStringList parts = value.simplified().split(QLatin1Char(' '));
    if (parts.size() == 2 && parts.at(0) == QStringLiteral("*-*-*")) {
        schedule = {TScheduleKind::Daily, QTime::fromString(parts.at(1), QStringLiteral("HH:mm:ss")), 1};
    } else if (parts.size() == 3 && parts.at(1) == QStringLiteral("*-*-*")) {
        schedule = {TScheduleKind::Weekly, QTime::fromString(parts.at(2), QStringLiteral("HH:mm:ss")),
                    WeekDayFromText(parts.at(0))};
        if (schedule.WeekDay == 0)
            return false;
    } else {
        return false;
    }
    return schedule.Time.isValid();
}

struct TUnitFacts
{
    QString TaskFile;
    QString OnCalendar;
};

TUnitFacts ReadUnitFacts(const QString &fileName)
{
    TUnitFacts facts;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    // Units are small; a stranger's huge file is not read whole.
    const QStringList lines = QString::fromUtf8(file.read(qint64(64) * 1024)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(TaskLinePrefix) && facts.TaskFile.isEmpty())
            facts.TaskFile = line.mid(TaskLinePrefix.size());
        else if (line.startsWith(QStringLiteral("OnCalendar=")))
            facts.OnCalendar = line.section(QLatin1Char('='), 1);
    }
    return facts;
}

bool WriteUnit(const QString &fileName, const QString &text, QString &error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

QString ShellWord(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    return QLatin1Char('\'') + quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

} // namespace

QString WeekDayWord(int weekDay)
{
    return weekDay >= 1 && weekDay <= 7 ? WeekDayWords.at(weekDay - 1) : QString();
}

int WeekDayFromText(const QString &text)
{
    const QString lower = text.toLower();
    for (int i = 0; i < 7; ++i) {
        if (lower == WeekDayWords.at(i).toLower() || lower == WeekDayNames.at(i))
            return i + 1;
    }
    return 0;
}

QString ScheduleText(const TSchedule &schedule)
{
    const QString time = schedule.Time.toString(QStringLiteral("HH:mm"));
    switch (schedule.Kind) {
    case TScheduleKind::Daily:
        return QStringLiteral("daily at %1").arg(time);
    case TScheduleKind::Weekly:
        return QStringLiteral("weekly on %1 at %2").arg(WeekDayWord(schedule.WeekDay), time);
    case TScheduleKind::OnPlug:
        break;
    }
    return QStringLiteral("when the device is plugged in");
}

QString SystemdQuoted(const QString &argument)
{
    QString quoted;
    quoted.reserve(argument.size() + 8);
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%') || c == QLatin1Char('$'))
            quoted += c;
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString UnitBaseName(const QString &taskFile)
{
    QString base = TaskTitle(taskFile);
    for (QChar &c : base) {
        const ushort code = c.unicode();
        const bool plain = (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') ||
                           (code >= '0' && code <= '9') || code == '-' || code == '_';
        if (!plain)
            c = QLatin1Char('_');
    }
    if (base.isEmpty())
        base = QStringLiteral("task");
    return UnitPrefix + base.left(200);
}

QString UnitTaskPathError(const QString &taskFile)
{
    if (!QDir::isAbsolutePath(taskFile))
        return QStringLiteral("the task file must be given with its full path: %1").arg(taskFile);
    for (const QChar c : taskFile) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("a task file whose path holds control characters cannot be scheduled");
    }
    return QString();
}

QList<TUnitFile> ScheduleUnits(const QString &unitBase, const QString &taskFile, const TSchedule &schedule,
                               const QString &cliProgram, const QString &logFile)
{
    const QString title = SystemdText(TaskTitle(taskFile));
    const QString taskLine = TaskLinePrefix + taskFile + QLatin1Char('\n');
    if (schedule.Kind == TScheduleKind::OnPlug) {
        return {
            {unitBase + OnPlugSuffix,
             QStringLiteral("[Unit]\nDescription=Tessaril backup task %1 when its device is plugged in\n").arg(title) +
                 taskLine +
                 QStringLiteral("\n[Service]\nType=simple\nExecStart=%1 watch %2\n"
                                "Restart=on-failure\nRestartSec=30\n\n"
                                "[Install]\nWantedBy=default.target\n")
                     .arg(SystemdQuoted(cliProgram), SystemdQuoted(taskFile))}};
    }
    return {{unitBase + ServiceSuffix,
             QStringLiteral("[Unit]\nDescription=Tessaril backup task %1\n").arg(title) + taskLine +
                 QStringLiteral("\n[Service]\nType=oneshot\nExecStart=%1 run %2 --log %3 --notify\n")
                     .arg(SystemdQuoted(cliProgram), SystemdQuoted(taskFile), SystemdQuoted(logFile))},
            {unitBase + TimerSuffix,
             QStringLiteral("[Unit]\nDescription=Tessaril backup task %1, %2\n").arg(title, ScheduleText(schedule)) +
                 taskLine +
                 QStringLiteral("\n[Timer]\nOnCalendar=%1\nPersistent=true\nUnit=%2\n\n"
                                "[Install]\nWantedBy=timers.target\n")
                     .arg(OnCalendar(schedule), unitBase + ServiceSuffix)}};
}

TProcessOutcome RunProcess(const QString &program, const QStringList &arguments)
{
    TProcessOutcome outcome;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        outcome.Output = process.errorString();
        return outcome;
    }
    outcome.Started = true;
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(1000);
        outcome.Output = QStringLiteral("%1 did not finish within 30 seconds").arg(program);
        return outcome;
    }
    outcome.Output = QString::fromLocal8Bit(process.readAll()).trimmed();
    outcome.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return outcome;
}

QString TScheduleChange::Report() const
{
    if (!Error.isEmpty())
        return Error;
    QStringList lines;
    for (const QString &file : Written)
        lines.append(QStringLiteral("written: %1").arg(file));
    for (const QString &file : Removed)
        lines.append(QStringLiteral("removed: %1").arg(file));
    if (Written.isEmpty() && Removed.isEmpty())
        lines.append(QStringLiteral("nothing is scheduled for this task"));
    if (!Commands.isEmpty()) {
        lines.append(QStringLiteral("no systemd user manager took the change (%1); to finish it, run:")
                         .arg(ManagerError.isEmpty() ? QStringLiteral("unknown reason") : ManagerError));
        for (const QString &command : Commands)
            lines.append(QStringLiteral("  ") + command);
    }
    return lines.join(QLatin1Char('\n'));
}

TUserUnits::TUserUnits(const QString &unitFolder, TProcessRunner runner)
    : FFolder(unitFolder), FRunner(std::move(runner))
{}

QString TUserUnits::DefaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("systemd/user"));
}

QList<TScheduleEntry> TUserUnits::List() const
{
    QList<TScheduleEntry> entries;
    const QDir folder(FFolder);
    const QStringList names =
        folder.entryList({UnitPrefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const TUnitFacts facts = ReadUnitFacts(folder.filePath(name));
        if (facts.TaskFile.isEmpty())
            continue;
        TScheduleEntry entry{facts.TaskFile, {}, name};
        if (name.endsWith(OnPlugSuffix))
            entry.Schedule.Kind = TScheduleKind::OnPlug;
        else if (!name.endsWith(TimerSuffix) || !ScheduleFromCalendar(facts.OnCalendar, entry.Schedule))
            continue;
        entries.append(entry);
    }
    return entries;
}

QList<TScheduleEntry> TUserUnits::ListFor(const QString &taskFile) const
{
    QList<TScheduleEntry> entries = List();
    entries.removeIf([&taskFile](const TScheduleEntry &entry) { return entry.TaskFile != taskFile; });
    return entries;
}

QString TUserUnits::FreeUnitBase(const QString &taskFile, const QString &suffix) const
{
    const QString base = UnitBaseName(taskFile);
    for (int n = 1; n < 1000; ++n) {
        QString candidate = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        const QString fileName = QDir(FFolder).filePath(candidate + suffix);
        // A unit of another task (or of someone else) keeps its name.
        if (!QFileInfo::exists(fileName) || ReadUnitFacts(fileName).TaskFile == taskFile)
            return candidate;
    }
    return QString();
}

bool TUserUnits::Systemctl(const QStringList &arguments, TScheduleChange &change) const
{
    const TProcessOutcome outcome =
        FRunner(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments);
    if (outcome.Started && outcome.ExitCode == 0)
        return true;
    change.ManagerError = outcome.Output.section(QLatin1Char('\n'), 0, 0);
    if (change.ManagerError.isEmpty())
        change.ManagerError = QStringLiteral("systemctl ended with status %1").arg(outcome.ExitCode);
    return false;
}

TScheduleChange TUserUnits::Install(const QString &taskFile, const TSchedule &schedule, const QString &cliProgram,
                                    const QString &logFile)
{
    TScheduleChange change;
    change.Error = UnitTaskPathError(taskFile);
    if (!change.Error.isEmpty())
        return change;
    const bool badTime = schedule.Kind != TScheduleKind::OnPlug && !schedule.Time.isValid();
    if (badTime || (schedule.Kind == TScheduleKind::Weekly && WeekDayWord(schedule.WeekDay).isEmpty())) {
        change.Error = badTime ? QStringLiteral("not a valid time of day") : QStringLiteral("not a weekday");
        return change;
    }
    const bool onPlug = schedule.Kind == TScheduleKind::OnPlug;
    const QString unitBase = FreeUnitBase(taskFile, onPlug ? OnPlugSuffix : TimerSuffix);
    if (unitBase.isEmpty() || !QDir().mkpath(FFolder)) {
        change.Error = QStringLiteral("cannot create the unit folder %1").arg(FFolder);
        return change;
    }
    for (const TUnitFile &unit : ScheduleUnits(unitBase, taskFile, schedule, cliProgram, logFile)) {
        const QString fileName = QDir(FFolder).filePath(unit.Name);
        if (!WriteUnit(fileName, unit.Text, change.Error))
            return change;
        change.Written.append(fileName);
    }
    const QString unit = unitBase + (onPlug ? OnPlugSuffix : TimerSuffix);
    // "restart" makes a changed watch service or timer take its new text.
    change.ManagerUsed = Systemctl({QStringLiteral("daemon-reload")}, change) &&
                         Systemctl({QStringLiteral("enable"), QStringLiteral("--now"), unit}, change) &&
                         Systemctl({QStringLiteral("restart"), unit}, change);
    if (!change.ManagerUsed)
        change.Commands = {QStringLiteral("systemctl --user daemon-reload"),
                           QStringLiteral("systemctl --user enable --now ") + ShellWord(unit)};
    return change;
}

TScheduleChange TUserUnits::Remove(const QString &taskFile)
{
    TScheduleChange change;
    QStringList units;
    for (const TScheduleEntry &entry : ListFor(taskFile)) {
        units.append(entry.UnitName);
        if (entry.UnitName.endsWith(TimerSuffix))
            units.append(entry.UnitName.chopped(TimerSuffix.size()) + ServiceSuffix);
    }
    if (units.isEmpty())
        return change;
    QStringList switchedOn = units;
    switchedOn.removeIf(
        [](const QString &unit) { return unit.endsWith(ServiceSuffix) && !unit.endsWith(OnPlugSuffix); });
    const bool disabled =
        Systemctl(QStringList{QStringLiteral("disable"), QStringLiteral("--now")} + switchedOn, change);
    const QDir folder(FFolder);
    for (const QString &unit : units) {
        // Links an offline "enable" left in the .wants folders go too.
        for (const QString &wants : folder.entryList({QStringLiteral("*.wants")}, QDir::Dirs))
            QFile::remove(folder.filePath(wants + QLatin1Char('/') + unit));
        const QString fileName = folder.filePath(unit);
        if (!QFile::exists(fileName))
            continue;
        if (!QFile::remove(fileName)) {
            change.Error = QStringLiteral("cannot remove %1").arg(fileName);
            return change;
        }
        change.Removed.append(fileName);
    }
    change.ManagerUsed = disabled && Systemctl({QStringLiteral("daemon-reload")}, change);
    if (!change.ManagerUsed) {
        QStringList words;
        for (const QString &unit : switchedOn)
            words.append(ShellWord(unit));
        change.Commands = {QStringLiteral("systemctl --user stop ") + words.join(QLatin1Char(' ')),
                           QStringLiteral("systemctl --user daemon-reload")};
    }
    return change;
}
