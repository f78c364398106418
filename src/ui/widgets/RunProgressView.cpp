#include "ui/widgets/RunProgressView.h"

#include "ui/Appearance.h"
#include "ui/UiText.h"
#include "ui/widgets/ElidedLabel.h"

#include "env/SizeText.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QProgressBar>

#include <cmath>

namespace {

const QString Separator = QStringLiteral("  ·  ");

// A device's name for the file, on one line: control characters would break
// the label into lines or show as nothing.
QString ShownFileName(const QString &devicePath)
{
    const qsizetype slash = qMax(devicePath.lastIndexOf(QLatin1Char('/')), devicePath.lastIndexOf(QLatin1Char('\\')));
    QString name = devicePath.mid(slash + 1);
    if (name.isEmpty())
        name = devicePath;
    for (QChar &c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QChar::ReplacementCharacter;
    return name;
}

} // namespace

QString DurationText(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const QString rest = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(rest);
    return QStringLiteral("%1:%2").arg(minutes).arg(rest);
}

int RunPermille(const TRunProgress &progress)
{
    double share = -1;
    if (progress.BytesTotal > 0)
        share = double(progress.BytesDone) / double(progress.BytesTotal);
    else if (progress.FilesTotal > 0)
        share = double(progress.FilesDone) / double(progress.FilesTotal);
    else if (progress.FilesTotal == 0)
        share = 1; // nothing to do is all done
    if (share < 0 || std::isnan(share))
        return -1;
    // Sizes come from the device: more done than announced is shown as full.
    return int(std::lround(qBound(0.0, share, 1.0) * 1000));
}

QString RunFiguresText(const TRunProgress &progress)
{
    const QLocale locale;
    QStringList parts;
    const int filesDone = qMax(0, progress.FilesDone);
    parts << (progress.FilesTotal >= 0
                  ? PrgText::tr("Files: %1 of %2").arg(locale.toString(filesDone), locale.toString(progress.FilesTotal))
                  : PrgText::tr("Files: %1").arg(locale.toString(filesDone)));
    const qint64 bytesDone = qMax<qint64>(0, progress.BytesDone);
    parts << (progress.BytesTotal >= 0
                  ? PrgText::tr("%1 of %2").arg(FormatSize(bytesDone), FormatSize(progress.BytesTotal))
                  : FormatSize(bytesDone));
    if (progress.BytesPerSecond >= 0 && std::isfinite(progress.BytesPerSecond) && progress.BytesPerSecond < 9e18)
        parts << FormatSize(std::llround(progress.BytesPerSecond)) + QStringLiteral("/s");
    if (progress.SecondsLeft >= 0)
        parts << PrgText::tr("%1 left").arg(DurationText(progress.SecondsLeft));
    return parts.join(Separator);
}

QString RunCurrentFileText(const TRunProgress &progress)
{
    if (progress.CurrentFile.isEmpty())
        return {};
    QString name = ShownFileName(progress.CurrentFile);
    if (progress.CurrentSize < TRunProgressView::LargeFileSize)
        return name;
    // In floating point: a size the device made up must not overflow.
    const qint64 done = qBound<qint64>(0, progress.CurrentDone, progress.CurrentSize);
    const int percent = int(double(done) * 100 / double(progress.CurrentSize));
    return QStringLiteral("%1 (%2 %)").arg(name).arg(percent);
}

TRunProgressView::TRunProgressView(QWidget *parent) : QWidget(parent)
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    setObjectName(QStringLiteral("paRunProgress"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scale(10));
    FBar = new QProgressBar(this);
    FBar->setObjectName(QStringLiteral("pbRun"));
    FBar->setFixedWidth(scale(220));
    FBar->setRange(0, 1000);
    layout->addWidget(FBar);
    FFigures = new TElidedLabel(this);
    FFigures->setObjectName(QStringLiteral("lbRunFigures"));
    layout->addWidget(FFigures, 3);
    FCurrentFile = new TElidedLabel(this);
    FCurrentFile->setObjectName(QStringLiteral("lbRunFile"));
    // At the row's end, so that the figures stay put while names come and go.
    FCurrentFile->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(FCurrentFile, 2);

    FUpdateTimer.setSingleShot(true);
    connect(&FUpdateTimer, &QTimer::timeout, this, &TRunProgressView::ApplyPending);
    hide();
}

void TRunProgressView::Start()
{
    Finish();
    FBar->setRange(0, 0);
    show();
}

void TRunProgressView::ShowProgress(const TRunProgress &progress)
{
    FPending = progress;
    FHasPending = true;
    if (FUpdateTimer.isActive())
        return;
    const qint64 since = FSinceUpdate.isValid() ? FSinceUpdate.elapsed() : UpdateInterval;
    if (since >= UpdateInterval)
        ApplyPending();
    else
        FUpdateTimer.start(int(UpdateInterval - since));
}

void TRunProgressView::Finish()
{
    FUpdateTimer.stop();
    FHasPending = false;
    FSinceUpdate.invalidate();
    FFigures->SetFullText(QString());
    FCurrentFile->SetFullText(QString());
    FBar->setRange(0, 1000);
    FBar->setValue(0);
    hide();
}

void TRunProgressView::ApplyPending()
{
    if (!FHasPending)
        return;
    FHasPending = false;
    FSinceUpdate.start();
    const int permille = RunPermille(FPending);
    if (permille < 0) {
        FBar->setRange(0, 0);
    } else {
        FBar->setRange(0, 1000);
        FBar->setValue(permille);
    }
    FFigures->SetFullText(RunFiguresText(FPending));
    FCurrentFile->SetFullText(RunCurrentFileText(FPending));
}
