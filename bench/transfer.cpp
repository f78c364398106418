// Copy worker throughput beside the usual tools, on the same data in one run:
// plain copy against cp, gzip output against gzip -6, zip output against
// zip -6 (one large file) and Python's zipfile (many small files, one archive
// each, so that no process is started per file), plus the worker's cost per file.
//
//   bench_transfer [--dir DIR] [--large-mib N] [--small-count N] [--small-kib N] [--block-kib N] [--rounds N]
//
// Each figure is the best of --rounds runs (default 3): the machine is shared.
//
// The data is generated text-like content (it compresses about like documents).
// Caches are warm; each measurement starts after a sync and ends without
// one, so both sides write into the page cache.

#include "transfer/CopyThread.h"
#include "transfer/SourceStreams.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

struct TOptions
{
    QString Dir = QDir::tempPath();
    qint64 LargeMiB = 1024;
    int SmallCount = 10000;
    qint64 SmallKiB = 4;
    std::uint32_t BlockKiB = 1024;
    int Rounds = 3;
};

// Every measurement starts with no dirty pages of an earlier step waiting for
// writeback, so that no side pays for the other's writes.
double Seconds(const std::function<void()> &work)
{
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Shell(const QString &command)
{
    return std::system(QFile::encodeName(command).constData()) == 0;
}

bool HasProgram(const QString &name)
{
    return Shell("command -v " + name + " >/dev/null 2>&1");
}

QString Quoted(const QString &path)
{
    QString text = path;
    text.replace('\'', "'\\''");
    return "'" + text + "'";
}

qint64 TreeSize(const QString &folder)
{
    qint64 size = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        size += QFileInfo(it.next()).size();
    return size;
}

void WriteGenerated(const QString &fileName, qint64 size, std::uint32_t seed)
{
    TGeneratedSourceStream source(static_cast<std::uint64_t>(size), TGeneratedContent::Text, seed);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(fileName));
        std::exit(1);
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        std::uint32_t got = 0;
        source.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), got);
        if (got == 0)
            break;
        file.write(buffer.data(), got);
    }
}

// One worker per file, as the backup run does it; returns the number of failures.
int CopyWithWorker(const QStringList &sources, const QString &targetFolder, TCopyOptions options, const QString &suffix,
                   std::uint32_t blockSize)
{
    int failures = 0;
    for (const QString &sourceName : sources) {
        std::uint32_t error = 0;
        auto stream = TFileSourceStream::Open(sourceName, error);
        if (!stream) {
            ++failures;
            continue;
        }
        TFileData data;
        data.Reset();
        const QFileInfo info(sourceName);
        data.FileName = info.fileName();
        data.FileSize = info.size();
        data.FileAttr = FILE_ATTRIBUTE_NORMAL;
        data.StreamData.FileStream = stream;
        data.StreamData.BufferSize = blockSize;
        TWinCopyThread worker(data, targetFolder + "/" + info.fileName() + suffix, options, true, tpNormal);
        worker.Start();
        worker.WaitFor();
        if (worker.ErrorCode() != 0) {
            if (failures == 0)
                std::fprintf(stderr, "copy failed: %s\n", qPrintable(worker.SysErrorMsg()));
            ++failures;
        }
    }
    return failures;
}

QStringList FilesIn(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
        files << folder + "/" + name;
    return files;
}

struct TRow
{
    QString Workload;
    QString Peer;
    double OursSeconds = 0;
    double PeerSeconds = 0;
    qint64 OursBytes = 0;
    qint64 PeerBytes = 0;
};

void PrintRow(const TRow &row, qint64 inputBytes, int files)
{
    const double mib = double(inputBytes) / (1024.0 * 1024.0);
    auto rate = [&](double seconds) { return seconds > 0 ? mib / seconds : 0.0; };
    std::printf("%-22s %8.2f s %8.1f MiB/s %9.0f files/s %11lld B | %-22s %8.2f s %8.1f MiB/s %11lld B | %5.2fx\n",
                qPrintable(row.Workload), row.OursSeconds, rate(row.OursSeconds),
                row.OursSeconds > 0 ? files / row.OursSeconds : 0.0, static_cast<long long>(row.OursBytes),
                qPrintable(row.Peer), row.PeerSeconds, rate(row.PeerSeconds), static_cast<long long>(row.PeerBytes),
                row.PeerSeconds > 0 ? row.OursSeconds / row.PeerSeconds : 0.0);
    std::fflush(stdout);
}

const char *PythonZipScript = R"(import sys, os, zipfile
src, dst = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(src)):
    with zipfile.ZipFile(os.path.join(dst, name + '.zip'), 'w', zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        z.write(os.path.join(src, name), name)
)";

struct TMeasure
{
    double Seconds = 0;
    qint64 Bytes = 0;
};

using TStep = std::function<void(const QString &)>;

// One timed run into a fresh folder; prepare runs before the clock starts.
TMeasure Measure(const QString &folder, const TStep &prepare, const TStep &work)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    if (prepare)
        prepare(folder);
    TMeasure result;
    result.Seconds = Seconds([&] { work(folder); });
    result.Bytes = TreeSize(folder);
    QDir(folder).removeRecursively();
    return result;
}

void KeepBest(TMeasure &best, const TMeasure &measured)
{
    if (best.Seconds <= 0 || measured.Seconds < best.Seconds)
        best = measured;
}

struct TSide
{
    QString Folder;
    TStep Prepare;
    TStep Work;
};

// Ours and the peer's in turns, best of some rounds each: the machine is
// shared, and taking turns lets both sides meet the same disturbances.
std::pair<TMeasure, TMeasure> Compare(int rounds, const TSide &ours, const TSide &peer)
{
    std::pair<TMeasure, TMeasure> best;
    for (int round = 0; round < rounds; ++round) {
        KeepBest(best.first, Measure(ours.Folder, ours.Prepare, ours.Work));
        KeepBest(best.second, Measure(peer.Folder, peer.Prepare, peer.Work));
    }
    return best;
}

// Runs the three outputs for one set of source files, ours and the peer's.
void RunWorkload(const QString &label, const QString &sourceFolder, const QString &work, std::uint32_t blockSize,
                 bool singleFile, int rounds)
{
    const QStringList sources = FilesIn(sourceFolder);
    const qint64 inputBytes = TreeSize(sourceFolder);
    const int files = static_cast<int>(sources.size());
    const QString ours = work + "/ours";
    const QString peer = work + "/peer";
    const QString single = singleFile ? QFileInfo(sources.first()).fileName() : QString();
    int failed = 0;
    auto worker = [&](TCopyOptions options, const QString &suffix) {
        return TSide{ours, nullptr, [&, options, suffix](const QString &folder) {
                         failed += CopyWithWorker(sources, folder, options, suffix, blockSize);
                     }};
    };
    auto report = [&](const QString &workload, const QString &peerName, const std::pair<TMeasure, TMeasure> &result) {
        PrintRow(
            {workload, peerName, result.first.Seconds, result.second.Seconds, result.first.Bytes, result.second.Bytes},
            inputBytes, files);
        if (failed)
            std::printf("  (%d copies failed)\n", failed);
        failed = 0;
    };
    const TStep copyTree = [&](const QString &folder) {
        Shell("cp -r " + Quoted(sourceFolder) + "/. " + Quoted(folder));
    };

    report(label + " copy", singleFile ? "cp" : "cp -r",
           Compare(rounds, worker({coOverwrite, coTimeStamp}, ""), TSide{peer, nullptr, copyTree}));

    const TSide gzipPeer =
        singleFile
            ? TSide{peer, nullptr,
                    [&](const QString &folder) {
                        Shell("gzip -6 -c " + Quoted(sources.first()) + " > " + Quoted(folder + "/" + single + ".gz"));
                    }} // gzip compresses in place; the copy it works on is made before the clock starts.
            : TSide{peer, copyTree, [&](const QString &folder) { Shell("gzip -6 -r " + Quoted(folder)); }};
    report(label + " gzip", singleFile ? "gzip -6" : "gzip -6 -r",
           Compare(rounds, worker({coOverwrite, coTimeStamp, coCompress}, ".gz"), gzipPeer));

    const bool useZip = singleFile && HasProgram("zip");
    const QString script = work + "/zip_each.py";
    QFile scriptFile(script);
    if (!useZip && scriptFile.open(QIODevice::WriteOnly))
        scriptFile.write(PythonZipScript);
    scriptFile.close();
    const TSide zipPeer =
        useZip
            ? TSide{peer, nullptr,
                    [&](const QString &folder) {
                        Shell("zip -6 -q -j " + Quoted(folder + "/" + single + ".zip") + " " + Quoted(sources.first()));
                    }}
            : TSide{peer, nullptr, [&](const QString &folder) {
                        Shell("python3 " + Quoted(script) + " " + Quoted(sourceFolder) + " " + Quoted(folder));
                    }};
    report(label + " zip", useZip ? "zip -6" : "python zipfile -6",
           Compare(rounds, worker({coOverwrite, coTimeStamp, coZipCompress, coCompress}, ".zip"), zipPeer));
}

void PerFileOverhead(const QString &work, int count, int rounds)
{
    // Empty sources from memory: what is left is thread start, file creation,
    // rename, time stamps and attributes.
    const TSide ours{
        work + "/overhead", nullptr, [count](const QString &folder) {
            for (int i = 0; i < count; ++i) {
                TFileData data;
                data.Reset();
                data.FileName = QString::number(i);
                data.FileAttr = FILE_ATTRIBUTE_NORMAL;
                data.StreamData.FileStream = std::make_shared<TMemorySourceStream>(QByteArray());
                data.StreamData.BufferSize = 65536;
                TWinCopyThread worker(data, folder + "/" + data.FileName, {coOverwrite, coTimeStamp}, true, tpNormal);
                worker.Start();
                worker.WaitFor();
            }
        }};
    const TSide touch{work + "/overhead-peer", nullptr, [count](const QString &folder) {
                          Shell("cd " + Quoted(folder) + " && seq 1 " + QString::number(count) + " | xargs touch");
                      }};
    const auto [mine, theirs] = Compare(rounds, ours, touch);
    std::printf("%-22s %8.1f us per file (%d empty files)   | touch (one process, xargs): %.1f us per file\n",
                "per-file overhead", mine.Seconds * 1e6 / count, count, theirs.Seconds * 1e6 / count);
}

TOptions ParseOptions(const QStringList &arguments)
{
    TOptions options;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const QString &key = arguments[i];
        const QString &value = arguments[i + 1];
        if (key == "--dir")
            options.Dir = value;
        else if (key == "--large-mib")
            options.LargeMiB = value.toLongLong();
        else if (key == "--small-count")
            options.SmallCount = value.toInt();
        else if (key == "--small-kib")
            options.SmallKiB = value.toLongLong();
        else if (key == "--block-kib")
            options.BlockKiB = value.toUInt();
        else if (key == "--rounds")
            options.Rounds = std::max(1, value.toInt());
    }
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const TOptions options = ParseOptions(app.arguments());
    QTemporaryDir work(options.Dir + "/tessaril-transfer-bench-XXXXXX");
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot create a folder in %s\n", qPrintable(options.Dir));
        return 1;
    }
    const std::uint32_t blockSize = options.BlockKiB * 1024;
    std::printf("Transfer benchmark in %s, worker block %u KiB, warm cache, sync before each step, best of %d\n",
                qPrintable(work.path()), options.BlockKiB, options.Rounds);
    std::printf("%-22s %-62s | %-56s | ours/peer time\n", "workload", "ours (time, throughput, files/s, output bytes)",
                "peer");

    const QString large = work.path() + "/src-large";
    QDir().mkpath(large);
    WriteGenerated(large + "/large.bin", options.LargeMiB * 1024 * 1024, 1);
    RunWorkload(QString("%1 MiB file").arg(options.LargeMiB), large, work.path(), blockSize, true, options.Rounds);
    QDir(large).removeRecursively();

    const QString small = work.path() + "/src-small";
    QDir().mkpath(small);
    for (int i = 0; i < options.SmallCount; ++i)
        WriteGenerated(QString("%1/f%2.txt").arg(small).arg(i, 5, 10, QChar('0')), options.SmallKiB * 1024,
                       static_cast<std::uint32_t>(i));
    RunWorkload(QString("%1 x %2 KiB").arg(options.SmallCount).arg(options.SmallKiB), small, work.path(),
                std::min<std::uint32_t>(blockSize, 256 * 1024), false, options.Rounds);
    QDir(small).removeRecursively();

    PerFileOverhead(work.path(), options.SmallCount, options.Rounds);
    return 0;
}
