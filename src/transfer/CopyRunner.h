#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One long-lived thread that runs copy workers one after another, so that a
// run of many small files does not start and end a thread for each of them.
// The thread is started with the first task and ended by the destructor,
// after the tasks already given to it.
class TCopyRunner
{
public:
    TCopyRunner() = default;
    ~TCopyRunner();
    TCopyRunner(const TCopyRunner &) = delete;
    TCopyRunner &operator=(const TCopyRunner &) = delete;

    // Queues a task; throws std::system_error when no thread can be started.
    void Post(std::function<void()> task);

    // Copies of sources up to this many bytes run on the thread that starts
    // them: for a small file the hand-over to the runner's thread and back
    // costs more than the copy. Negative (the default): none.
    void SetInlineLimit(std::int64_t bytes) { FInlineLimit = bytes; }
    bool RunsHere(std::int64_t sourceSize) const { return sourceSize >= 0 && sourceSize <= FInlineLimit; }

private:
    void Work();

    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<std::function<void()>> FTasks;
    bool FStopping = false;
    std::thread FThread;
    std::int64_t FInlineLimit = -1;
};
