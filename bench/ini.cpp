// Speed of reading a large task file: 40,000 "Dir" keys in a UTF-16LE INI
// file, loaded and then read key by key as a task load does (peer: Python's
// configparser on the same file, reading the same keys).
#include "settings/IniFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int KeyCount = 40000;

QString DirKey(int number)
{
    return QStringLiteral("Dir%1").arg(number, 2, 10, QLatin1Char('0'));
}

QString WriteTask(const QTemporaryDir &dir)
{
    QString text = QStringLiteral("[Config]\r\nDeviceName=Phone\r\nDirCount=%1\r\n\r\n[Directories]\r\n").arg(KeyCount);
    for (int i = 0; i < KeyCount; ++i)
        text += DirKey(i) + QStringLiteral("=Internal storage\\DCIM\\Album %1\r\n").arg(i);
    const QString name = dir.filePath(QStringLiteral("big.tsj"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("\xFF\xFE");
    file.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return name;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString task = WriteTask(dir);
    double best = 1e9;
    qsizetype total = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        const TMemIniFile ini(task);
        total = 0;
        for (int i = 0; i < KeyCount; ++i)
            total += ini.ReadString(QStringLiteral("Directories"), DirKey(i), QString()).size();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    std::printf("TMemIniFile: load + %d ReadString: %.1f ms (best of 5; %lld characters)\n", KeyCount, best,
                static_cast<long long>(total));

    const QString script = QStringLiteral("import configparser,sys,time\n"
                                          "best=1e9\n"
                                          "for r in range(5):\n"
                                          "  t=time.perf_counter()\n"
                                          "  c=configparser.ConfigParser(interpolation=None,strict=False)\n"
                                          "  c.read(sys.argv[1],encoding='utf-16')\n"
                                          "  s=c['Directories']\n"
                                          "  n=sum(len(s['Dir%02d'%i]) for i in range(COUNT))\n"
                                          "  best=min(best,time.perf_counter()-t)\n"
                                          "print('peer: Python configparser: load + COUNT lookups: %.1f ms (best of 5; "
                                          "%d characters)'%(best*1000,n))\n")
                               .replace(QStringLiteral("COUNT"), QString::number(KeyCount));
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, task});
    python.waitForFinished(600000);
    std::fputs(python.readAllStandardOutput().constData(), stdout);
    std::fputs(python.readAllStandardError().constData(), stderr);
    return 0;
}
