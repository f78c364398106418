#pragma once

#include <QString>

#include <chrono>

struct udev;
struct udev_monitor;

// Tells when USB devices come or go: udev events on the "usb" subsystem where
// a udev daemon sends them, and in any case a timeout after which the caller
// looks again (a system without udev sends nothing). Wait runs on one
// thread; Stop may be called from any thread and from a signal handler.
class TDeviceWatcher
{
public:
    enum class TWake
    {
        Event,   // a USB device was added or removed
        Timeout, // time to look again
        Stopped  // Stop was called
    };

    TDeviceWatcher();
    ~TDeviceWatcher();
    TDeviceWatcher(const TDeviceWatcher &) = delete;
    TDeviceWatcher &operator=(const TDeviceWatcher &) = delete;

    // Whether udev events can arrive; when not, why (the rescan still works).
    bool HasEvents() const { return FMonitor != nullptr; }
    QString NoEventsReason() const { return FNoEventsReason; }

    // Blocks until an event, the timeout or Stop. After an event, waits
    // `settle` for the burst of events a device sends while it comes up, so
    // that one plug-in wakes the caller once.
    TWake Wait(std::chrono::milliseconds timeout, std::chrono::milliseconds settle = std::chrono::milliseconds(1500));
    // Async-signal-safe.
    void Stop();
    bool IsStopped() const;

private:
    // True when at least one USB device event was read.
    bool DrainEvents();

    struct udev *FUdev = nullptr;
    struct udev_monitor *FMonitor = nullptr;
    int FStopPipe[2] = {-1, -1};
    QString FNoEventsReason;
};
