// bench_mtp_stream: reads every file of the first MTP device through the
// libmtp backend, and the same files through libmtp's own mtp-getfile, and
// prints throughput and per-file time side by side. Meant to run inside the
// QEMU guest of bench/mtp-bench.sh.
//
//   bench_mtp_stream bench SCRATCHDIR   timings; files are written to SCRATCHDIR and removed
//   bench_mtp_stream copy DESTDIR       copies the device's tree into DESTDIR (with mtimes)
#include "device/DeviceTypes.h"
#include "device/mtp/MtpDeviceService.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct TFileEntry
{
    QString Id;
    QString Path;  // "/" between names, below the storage
    QString Group; // the top folder: files are timed per group
    std::uint64_t Size = 0;
    TDateTime Modified = 0;
    bool HasDate = false;
};

struct TTotals
{
    int Files = 0;
    std::uint64_t Bytes = 0;
    double Seconds = 0;
    int Failed = 0;
};

QString Text(IDeviceConnection &connection, const QString &id, TPropertyKey key)
{
    TPropertyValue value;
    if (Failed(connection.GetProperty(id, key, value)) || value.Type != vtText)
        return QString();
    return value.Text;
}

QStringList Children(IDeviceConnection &connection, const QString &parent)
{
    std::unique_ptr<IObjectIdEnumerator> enumerator;
    QStringList all;
    if (Failed(connection.EnumObjects(parent, enumerator))) {
        std::printf("ERROR\tcannot list %s\n", qUtf8Printable(parent));
        return all;
    }
    for (;;) {
        QStringList batch;
        const HRESULT hr = enumerator->Next(10, batch);
        all += batch;
        if (hr != S_OK)
            return all;
    }
}

void Walk(IDeviceConnection &connection, const QString &parent, const QString &path, std::vector<TFileEntry> &files,
          QStringList &folders)
{
    for (const QString &id : Children(connection, parent)) {
        TPropertyValue type;
        connection.GetProperty(id, pkContentType, type);
        const QString name = Text(connection, id, pkObjectName);
        const QString childPath = path.isEmpty() ? name : path + QLatin1Char('/') + name;
        if (ContentTypeOf(type.Guid) == ctFolder) {
            folders.append(childPath);
            std::printf("DIR\t%s\t%s\n", qUtf8Printable(id), qUtf8Printable(childPath));
            Walk(connection, id, childPath, files, folders);
            continue;
        }
        TFileEntry entry;
        entry.Id = id;
        entry.Path = childPath;
        entry.Group = childPath.contains(QLatin1Char('/')) ? childPath.section(QLatin1Char('/'), 0, 0) : QString();
        TPropertyValue value;
        if (Succeeded(connection.GetProperty(id, pkObjectSize, value)))
            entry.Size = value.Number;
        if (Succeeded(connection.GetProperty(id, pkDateModified, value))) {
            entry.Modified = value.Date;
            entry.HasDate = true;
        }
        files.push_back(entry);
    }
}

bool CopyFile(IDeviceConnection &connection, const TFileEntry &file, const QString &target)
{
    SourceStreamPtr stream;
    std::uint32_t block = 0;
    HRESULT hr = connection.OpenStream(file.Id, stream, block);
    if (Failed(hr)) {
        std::printf("ERROR\topen %s: 0x%08X\n", qUtf8Printable(file.Path), unsigned(hr));
        return false;
    }
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::printf("ERROR\tcreate %s\n", qUtf8Printable(target));
        return false;
    }
    std::vector<char> buffer(block);
    std::uint64_t total = 0;
    bool ok = true;
    for (;;) {
        std::uint32_t got = 0;
        hr = stream->Read(buffer.data(), block, got);
        if (Failed(hr)) {
            std::printf("ERROR\tread %s after %llu bytes: 0x%08X\n", qUtf8Printable(file.Path),
                        (unsigned long long)total, unsigned(hr));
            ok = false;
            break;
        }
        if (got > 0 && ::write(fd, buffer.data(), got) != ssize_t(got)) {
            ok = false;
            break;
        }
        total += got;
        if (got < block)
            break;
    }
    stream->Commit();
    ::close(fd);
    return ok && total == file.Size;
}

void SetModified(const QString &target, const TFileEntry &file)
{
    if (!file.HasDate)
        return;
    // The device date is a local date-time.
    const QDate day = QDate(1899, 12, 30).addDays(qint64(file.Modified));
    const double fraction = file.Modified - double(qint64(file.Modified));
    const QDateTime local(day, QTime(0, 0).addMSecs(int(fraction * 86400000.0 + 0.5)), Qt::LocalTime);
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = local.toSecsSinceEpoch();
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), times, 0);
}

struct TDevice
{
    std::unique_ptr<TMtpDeviceService> Service;
    std::unique_ptr<IDeviceConnection> Connection;
    std::vector<TFileEntry> Files;
    QStringList Folders;
};

bool OpenAndList(TDevice &device, double *seconds = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    device.Service = std::make_unique<TMtpDeviceService>(std::make_shared<TMtpRegistry>(CreateLibMtpLibrary()));
    QStringList ids;
    if (Failed(device.Service->GetDevices(ids)) || ids.isEmpty()) {
        std::printf("NODEV\n");
        return false;
    }
    if (Failed(device.Service->Open(ids[0], TClientInformation(), device.Connection)))
        return false;
    QString name;
    device.Service->GetDeviceFriendlyName(ids[0], name);
    std::printf("DEV\t%s\t%s\n", qUtf8Printable(ids[0]), qUtf8Printable(name));
    for (const QString &storage : Children(*device.Connection, QStringLiteral("DEVICE"))) {
        std::printf("STO\t%s\t%s\n", qUtf8Printable(storage),
                    qUtf8Printable(Text(*device.Connection, storage, pkObjectName)));
        Walk(*device.Connection, storage, QString(), device.Files, device.Folders);
        break; // the first storage is enough here
    }
    if (seconds)
        *seconds = timer.nsecsElapsed() / 1e9;
    return true;
}

void Close(TDevice &device)
{
    if (device.Connection)
        device.Connection->Close();
    device.Connection.reset();
    device.Service.reset(); // the last session reference: libmtp releases the device
}

int Copy(const QString &dest)
{
    TDevice device;
    if (!OpenAndList(device))
        return 3;
    int failed = 0;
    for (const QString &folder : device.Folders)
        QDir().mkpath(dest + QLatin1Char('/') + folder);
    for (const TFileEntry &file : device.Files) {
        const QString target = dest + QLatin1Char('/') + file.Path;
        std::printf("FILE\t%s\t%llu\t%s\n", qUtf8Printable(file.Id), (unsigned long long)file.Size,
                    qUtf8Printable(file.Path));
        if (!CopyFile(*device.Connection, file, target)) {
            ++failed;
            continue;
        }
        SetModified(target, file);
    }
    Close(device);
    std::printf("ERRORS\t%d\n", failed);
    return failed ? 1 : 0;
}

void PrintRow(const char *tool, const QString &group, const TTotals &totals)
{
    const double mib = totals.Bytes / 1048576.0;
    std::printf("%-14s %-8s %6d files %10.1f MiB %8.2f s %8.1f MiB/s %8.2f ms/file%s\n", tool,
                qUtf8Printable(group.isEmpty() ? QStringLiteral("(top)") : group), totals.Files, mib, totals.Seconds,
                totals.Seconds > 0 ? mib / totals.Seconds : 0.0,
                totals.Files ? totals.Seconds * 1000 / totals.Files : 0.0,
                totals.Failed ? qPrintable(QStringLiteral("  (%1 FAILED)").arg(totals.Failed)) : "");
}

bool IsNull(const QString &target)
{
    return target == QLatin1String("/dev/null");
}

// Files that do not fit the guest's memory-backed scratch folder go to /dev/null.
QString TargetFor(const QString &scratch, const QString &name, const TFileEntry &file)
{
    return file.Size > (1ull << 30) ? QStringLiteral("/dev/null") : scratch + QLatin1Char('/') + name;
}

int Bench(const QString &scratch)
{
    TDevice device;
    double listing = 0;
    if (!OpenAndList(device, &listing))
        return 3;
    const std::vector<TFileEntry> files = device.Files;
    Close(device);
    QStringList groups;
    for (const TFileEntry &file : files)
        if (!groups.contains(file.Group))
            groups.append(file.Group);

    // The peer first, each file in a process of its own as a user would run it.
    std::map<QString, TTotals> peer;
    for (const TFileEntry &file : files) {
        const QString peerTarget = TargetFor(scratch, QStringLiteral("peer.bin"), file);
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral("mtp-getfile"), {file.Id.mid(1), peerTarget});
        process.waitForFinished(-1);
        const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        TTotals &totals = peer[file.Group];
        totals.Seconds += timer.nsecsElapsed() / 1e9;
        ++totals.Files;
        const bool ok = status == 0 && (IsNull(peerTarget) || QFileInfo(peerTarget).size() == qint64(file.Size));
        totals.Bytes += ok ? file.Size : 0;
        totals.Failed += ok ? 0 : 1;
        if (!IsNull(peerTarget))
            QFile::remove(peerTarget);
    }

    // The backend: one session, every file streamed into a file of the same folder.
    TDevice again;
    double reopen = 0;
    if (!OpenAndList(again, &reopen))
        return 3;
    std::map<QString, TTotals> ours;
    for (const TFileEntry &file : again.Files) {
        const QString target = TargetFor(scratch, QStringLiteral("ours.bin"), file);
        QElapsedTimer timer;
        timer.start();
        const bool ok = CopyFile(*again.Connection, file, target);
        TTotals &totals = ours[file.Group];
        totals.Seconds += timer.nsecsElapsed() / 1e9;
        ++totals.Files;
        totals.Bytes += ok ? file.Size : 0;
        totals.Failed += ok ? 0 : 1;
        if (!IsNull(target))
            QFile::remove(target);
    }
    Close(again);

    std::printf("\nopen + list of %zu files: %.2f s (tessaril backend)\n", files.size(), reopen);
    for (const QString &group : groups) {
        PrintRow("mtp-getfile", group, peer[group]);
        PrintRow("tessaril", group, ours[group]);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s bench SCRATCHDIR | copy DESTDIR\n", argv[0]);
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString dir = QString::fromLocal8Bit(argv[2]);
    if (mode == QLatin1String("copy"))
        return Copy(dir);
    if (mode == QLatin1String("bench"))
        return Bench(dir);
    std::fprintf(stderr, "unknown mode %s\n", argv[1]);
    return 2;
}
