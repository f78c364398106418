#pragma once

struct TCliArguments;

// "schedule": writes, lists or removes the systemd user units of a task.
int ScheduleTask(const TCliArguments &args);
