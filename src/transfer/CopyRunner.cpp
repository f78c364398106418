#include "transfer/CopyRunner.h"

TCopyRunner::~TCopyRunner()
{
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    if (FThread.joinable())
        FThread.join();
}

void TCopyRunner::Post(std::function<void()> task)
{
    std::lock_guard lock(FMutex);
    if (!FThread.joinable())
        FThread = std::thread([this] { Work(); });
    FTasks.push_back(std::move(task));
    FChanged.notify_one();
}

void TCopyRunner::Work()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(FMutex);
            FChanged.wait(lock, [this] { return FStopping || !FTasks.empty(); });
            if (FTasks.empty())
                return;
            task = std::move(FTasks.front());
            FTasks.pop_front();
        }
        task();
    }
}
