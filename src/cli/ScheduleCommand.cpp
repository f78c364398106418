#include "cli/ScheduleCommand.h"

#include "app/Locations.h"
#include "app/ProgressLog.h"
#include "app/Schedule.h"
#include "cli/CliOptions.h"
#include "cli/TaskRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int ScheduleTask(const TCliArguments &args)
{
    TUserUnits units(TUserUnits::DefaultFolder());
    const QString taskFile = args.TaskFile.isEmpty() ? QString() : QFileInfo(args.TaskFile).absoluteFilePath();
    if (args.Schedule == TScheduleAction::List) {
        const QList<TScheduleEntry> entries = taskFile.isEmpty() ? units.List() : units.ListFor(taskFile);
        if (entries.isEmpty())
            Print(QStringLiteral("Nothing is scheduled"));
        for (const TScheduleEntry &entry : entries)
            Print(QStringLiteral("%1: %2 (%3)").arg(entry.TaskFile, ScheduleText(entry.Schedule), entry.UnitName));
        return exOk;
    }
    TScheduleChange change;
    if (args.Schedule == TScheduleAction::Remove) {
        change = units.Remove(taskFile);
    } else {
        if (!QFileInfo(taskFile).isFile())
            return Fail(QStringLiteral("cannot read the task file %1").arg(args.TaskFile));
        TSchedule schedule;
        schedule.Kind = args.Schedule == TScheduleAction::OnPlug   ? TScheduleKind::OnPlug
                        : args.Schedule == TScheduleAction::Weekly ? TScheduleKind::Weekly
                                                                   : TScheduleKind::Daily;
        schedule.Time = QTime::fromString(args.TimeOfDay, QStringLiteral("H:mm"));
        schedule.WeekDay = args.Schedule == TScheduleAction::Weekly ? args.WeekDay : 1;
        const TLocations locations = DetermineLocations(TSystemEnvironment::FromSystem(), TStartOptions());
        change = units.Install(taskFile, schedule, QCoreApplication::applicationFilePath(),
                               QDir(locations.ConfigDir).filePath(TaskLogFileName(taskFile)));
    }
    if (!change.Error.isEmpty())
        return Fail(change.Error);
    Print(change.Report());
    return exOk;
}
