#include "device/DeviceWatcher.h"

#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

TDeviceWatcher::TDeviceWatcher()
{
    if (::pipe2(FStopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        FStopPipe[0] = FStopPipe[1] = -1;
    FUdev = udev_new();
    if (FUdev == nullptr) {
        FNoEventsReason = QStringLiteral("udev is not available");
        return;
    }
    // Events as the udev daemon sends them, after its rules gave the device
    // node its permissions; raw kernel events would come too early.
    FMonitor = udev_monitor_new_from_netlink(FUdev, "udev");
    if (FMonitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(FMonitor, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(FMonitor) < 0) {
        FNoEventsReason = QStringLiteral("cannot listen to udev: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (FMonitor != nullptr)
            udev_monitor_unref(FMonitor);
        FMonitor = nullptr;
        return;
    }
    if (::access("/run/udev/control", F_OK) != 0)
        FNoEventsReason = QStringLiteral("no udev daemon is running");
}

TDeviceWatcher::~TDeviceWatcher()
{
    if (FMonitor != nullptr)
        udev_monitor_unref(FMonitor);
    if (FUdev != nullptr)
        udev_unref(FUdev);
    for (const int fd : FStopPipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

void TDeviceWatcher::Stop()
{
    if (FStopPipe[1] < 0)
        return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(FStopPipe[1], &byte, 1);
}

bool TDeviceWatcher::IsStopped() const
{
    if (FStopPipe[0] < 0)
        return false;
    pollfd stop{FStopPipe[0], POLLIN, 0};
    return ::poll(&stop, 1, 0) > 0;
}

bool TDeviceWatcher::DrainEvents()
{
    bool any = false;
    // The monitor's socket does not block once poll said it is readable;
    // a bounded loop keeps a flood of events from holding this thread.
    for (int i = 0; i < 256; ++i) {
        udev_device *device = udev_monitor_receive_device(FMonitor);
        if (device == nullptr)
            break;
        const char *action = udev_device_get_action(device);
        if (action != nullptr && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
            any = true;
        udev_device_unref(device);
    }
    return any;
}

TDeviceWatcher::TWake TDeviceWatcher::Wait(std::chrono::milliseconds timeout, std::chrono::milliseconds settle)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    Clock::time_point settled = Clock::time_point::max();
    while (true) {
        if (IsStopped())
            return TWake::Stopped;
        const Clock::time_point now = Clock::now();
        if (settled != Clock::time_point::max() && now >= settled)
            return TWake::Event;
        if (now >= deadline)
            return settled != Clock::time_point::max() ? TWake::Event : TWake::Timeout;
        const Clock::time_point until = std::min(deadline, settled);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
        pollfd fds[2] = {{FStopPipe[0], POLLIN, 0},
                         {FMonitor != nullptr ? udev_monitor_get_fd(FMonitor) : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, int(std::min<long long>(left, 60000)));
        if (ready < 0 && errno != EINTR)
            return TWake::Timeout;
        if (ready > 0 && (fds[1].revents & POLLIN) != 0 && DrainEvents() && settled == Clock::time_point::max())
            settled = Clock::now() + settle;
    }
}
