// Reads a simulated device of 200,000 files in 2,000 folders and prints how
// long the object tree takes, beside `find` walking the same folder.
//
//   bench_device [folder]     (default: /tmp/tessaril-bench-devices)
//
// The folder is filled on the first run and reused afterwards.

#include "device/PortableDevice.h"
#include "device/sim/SimulatedDeviceService.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int TopFolders = 20;
constexpr int SubFolders = 100; // per top folder: 2,000 folders hold the files
constexpr int FilesPerFolder = 100;
constexpr int FileCount = TopFolders * SubFolders * FilesPerFolder;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakMemoryKiB()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool BuildDevice(const QString &storage)
{
    const QString marker = storage + QStringLiteral("/.complete");
    if (QFile::exists(marker))
        return true;
    std::printf("building %d files below %s ...\n", FileCount, qPrintable(storage));
    std::fflush(stdout);
    for (int top = 0; top < TopFolders; ++top) {
        for (int sub = 0; sub < SubFolders; ++sub) {
            const QString folder = QStringLiteral("%1/Folder%2/Album%3")
                                       .arg(storage)
                                       .arg(top, 2, 10, QLatin1Char('0'))
                                       .arg(sub, 3, 10, QLatin1Char('0'));
            if (!QDir().mkpath(folder))
                return false;
            for (int file = 0; file < FilesPerFolder; ++file) {
                const QByteArray name =
                    QFile::encodeName(QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(file, 4, 10, QLatin1Char('0')));
                int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (fd < 0)
                    return false;
                ::close(fd);
            }
        }
    }
    QFile done(marker);
    return done.open(QIODevice::WriteOnly);
}

double TimeFind(const QString &folder)
{
    const QByteArray command = "find '" + QFile::encodeName(folder) + "' > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.constData()) != 0)
        return -1;
    return Seconds(start);
}

} // namespace

int main(int argc, char **argv)
{
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/tessaril-bench-devices");
    const QString deviceFolder = root + QStringLiteral("/Bench phone");
    if (!BuildDevice(deviceFolder + QStringLiteral("/Internal storage"))) {
        std::fprintf(stderr, "cannot build the device below %s\n", qPrintable(root));
        return 1;
    }
    // The first walk warms the page cache for both programs alike.
    TimeFind(deviceFolder);

    TPortableDeviceManager manager([root] { return CreateSimulatedDeviceService(root); });
    TPortableDevice *device = manager.GetDeviceByName(QStringLiteral("Bench phone"));
    if (!device) {
        std::fprintf(stderr, "no simulated device in %s\n", qPrintable(root));
        return 1;
    }
    TPortableDeviceContent &content = device->Content();

    auto start = Clock::now();
    const bool complete = content.Refresh();
    const double refresh = Seconds(start);
    const int objects = content.ObjectCount();

    start = Clock::now();
    const int folders = content.FolderCount();
    const double types = Seconds(start);

    start = Clock::now();
    std::size_t pathLength = 0;
    int index = 0;
    while (TPortableDeviceObject *folder = content.FindNextObject(otFolder, index)) {
        pathLength += std::size_t(folder->Path().size());
        ++index;
    }
    const double folderPaths = Seconds(start);

    start = Clock::now();
    for (int i = 0; i < objects; ++i)
        pathLength += std::size_t(content.GetObject(i)->Path().size());
    const double allPaths = Seconds(start);

    start = Clock::now();
    int found = 0;
    for (int i = 0; i < objects; ++i)
        found += content.GetObjectByID(content.GetObject(i)->ObjectID().toUpper()) != nullptr;
    const double byID = Seconds(start);

    start = Clock::now();
    int byPath = 0;
    for (int i = 0; i < objects; i += 97)
        byPath += content.GetObjectIndexByPath(content.GetObject(i)->Path()) == i;
    const double pathLookups = Seconds(start);

    const double find = TimeFind(deviceFolder);

    std::printf("objects                 %d (%d folders)%s\n", objects, folders, complete ? "" : " INCOMPLETE");
    std::printf("Refresh                 %.3f s, %.0f objects/s\n", refresh, objects / refresh);
    std::printf("find (peer)             %.3f s, %.0f entries/s\n", find, objects / find);
    std::printf("types (FolderCount)     %.3f s\n", types);
    std::printf("Path of every folder    %.3f s\n", folderPaths);
    std::printf("Path of every object    %.3f s\n", allPaths);
    std::printf("GetObjectByID, all      %.3f s (%d found)\n", byID, found);
    std::printf("GetObjectIndexByPath    %.3f s for %d paths (%d found)\n", pathLookups, (objects + 96) / 97, byPath);
    std::printf("peak memory             %.1f MiB (%zu path characters)\n", PeakMemoryKiB() / 1024.0, pathLength);
    return 0;
}
