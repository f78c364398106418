// Writes the simulated demo phone under demo/devices/ and the list of its file
// dates (demo/file-dates.txt; git keeps no modification times). Run once; the
// output is committed. Build and run from the repository's top folder:
//   g++ -std=c++20 -fPIC demo/tools/make-demo-device.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make-demo
//   QT_QPA_PLATFORM=offscreen /tmp/make-demo demo
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTextStream>

namespace {

QString Top;
QStringList Dates;
QRandomGenerator Random(20261209);
QDateTime Clock(QDate(2024, 3, 2), QTime(9, 14, 5));

QString DevicePath(const QString &relative)
{
    return Top + QStringLiteral("/devices/Nimbus X5/") + relative;
}

void Stamp(const QString &relative)
{
    Clock = Clock.addSecs(3600 * 7 + Random.bounded(86400 * 2));
    Dates.append(Clock.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char('\t') + relative);
}

void WriteBytes(const QString &relative, const QByteArray &bytes)
{
    const QString path = DevicePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    Stamp(relative);
}

void WritePicture(const QString &relative, const char *format, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const QColor sky = QColor::fromHsv(Random.bounded(180, 240), 120, 230);
    const QColor ground = QColor::fromHsv(Random.bounded(60, 140), 160, 120);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, sky);
    gradient.setColorAt(0.6, sky.lighter(130));
    gradient.setColorAt(0.61, ground);
    gradient.setColorAt(1, ground.darker(150));
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(QColor::fromHsv(Random.bounded(0, 60), 200, 255));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(Random.bounded(width), Random.bounded(height / 2)), width / 10, width / 10);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 60);
    WriteBytes(relative, bytes);
}

// An ID3v2 tag followed by silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz).
void WriteSong(const QString &relative, const QString &title, const QString &artist, int frames)
{
    auto frame = [](const char *id, const QString &text) {
        const QByteArray value = QByteArray(1, '\x03') + text.toUtf8();
        QByteArray bytes(id);
        const quint32 size = quint32(value.size());
        bytes += char(size >> 24);
        bytes += char(size >> 16);
        bytes += char(size >> 8);
        bytes += char(size);
        bytes += QByteArray(2, '\0');
        return bytes + value;
    };
    const QByteArray frames3 = frame("TIT2", title) + frame("TPE1", artist);
    QByteArray tag("ID3\x04\x00\x00", 6);
    const quint32 size = quint32(frames3.size());
    tag += char((size >> 21) & 0x7F);
    tag += char((size >> 14) & 0x7F);
    tag += char((size >> 7) & 0x7F);
    tag += char(size & 0x7F);
    tag += frames3;
    QByteArray audio;
    for (int i = 0; i < frames; ++i)
        audio += QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(413, '\0');
    WriteBytes(relative, tag + audio);
}

QByteArray Pdf(const QString &text)
{
    const QByteArray body = "BT /F1 14 Tf 72 720 Td (" + text.toLatin1() + ") Tj ET";
    QByteArray pdf = "%PDF-1.4\n";
    QList<int> offsets;
    const QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                                       "/Resources << /Font << /F1 5 0 R >> >> >>",
                                       "<< /Length " + QByteArray::number(body.size()) + " >>\nstream\n" + body +
                                           "\nendstream",
                                       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    for (int i = 0; i < objects.size(); ++i) {
        offsets.append(int(pdf.size()));
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const int xref = int(pdf.size());
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

void Pictures(const QString &storage)
{
    for (int i = 1; i <= 90; ++i) {
        Stamp(QString());
        WritePicture(QStringLiteral("%1/DCIM/Camera/IMG_%2_%3.jpg")
                         .arg(storage, Clock.toString(QStringLiteral("yyyyMMdd")))
                         .arg(100000 + i * 731),
                     "JPG", 96, 72);
    }
    for (int i = 1; i <= 20; ++i)
        WritePicture(
            QStringLiteral("%1/Pictures/Screenshots/Screenshot_%2.png").arg(storage).arg(i, 3, 10, QLatin1Char('0')),
            "PNG", 40, 80);
    for (int i = 1; i <= 30; ++i)
        WritePicture(QStringLiteral("%1/Pictures/Messenger/Received/IMG-%2-WA%3.jpg")
                         .arg(storage, Clock.toString(QStringLiteral("yyyyMMdd")))
                         .arg(i, 4, 10, QLatin1Char('0')),
                     "JPG", 64, 64);
}

void Music(const QString &storage)
{
    const QStringList artists = {QStringLiteral("The Quiet Harbour"), QStringLiteral("Mira Solenne"),
                                 QStringLiteral("Low Orbit Trio")};
    const QStringList albums = {QStringLiteral("First Light"), QStringLiteral("Tidal Notes")};
    const QStringList titles = {QStringLiteral("Opening"), QStringLiteral("North Wind"), QStringLiteral("Paper Boats"),
                                QStringLiteral("Evening Tram"), QStringLiteral("Coda")};
    for (const QString &artist : artists)
        for (const QString &album : albums)
            for (int t = 0; t < titles.size(); ++t)
                WriteSong(QStringLiteral("%1/Music/%2/%3/%4 %5.mp3")
                              .arg(storage, artist, album)
                              .arg(t + 1, 2, 10, QLatin1Char('0'))
                              .arg(titles[t]),
                          titles[t], artist, 8);
}

void Documents(const QString &storage)
{
    for (int i = 1; i <= 25; ++i)
        WriteBytes(QStringLiteral("%1/Documents/Notes/note-%2.txt").arg(storage).arg(i, 2, 10, QLatin1Char('0')),
                   QStringLiteral("Note %1\n\nShopping: bread, apples, coffee.\nCall the garage about the tyres.\n")
                       .arg(i)
                       .toUtf8()
                       .repeated(1 + i % 4));
    for (int i = 1; i <= 12; ++i)
        WriteBytes(
            QStringLiteral("%1/Documents/Receipts/2024/receipt-%2.pdf").arg(storage).arg(i, 2, 10, QLatin1Char('0')),
            Pdf(QStringLiteral("Receipt %1 - total 23.%2 EUR").arg(i).arg(10 + i)));
    WriteBytes(storage + QStringLiteral("/Documents/README"), "Files on this phone are backed up every Sunday.\n");
    for (int i = 1; i <= 10; ++i)
        WriteBytes(QStringLiteral("%1/Contacts/contact-%2.vcf").arg(storage).arg(i, 2, 10, QLatin1Char('0')),
                   QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Contact %1\r\nTEL:+49 30 5550%2\r\nEND:VCARD\r\n")
                       .arg(i)
                       .arg(i, 3, 10, QLatin1Char('0'))
                       .toUtf8());
    WriteBytes(storage + QStringLiteral("/Download/timetable.pdf"), Pdf(QStringLiteral("Bus timetable, line 42")));
    WriteBytes(storage + QStringLiteral("/Download/recipe.txt"), "Lentil soup: lentils, carrots, onion, cumin.\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    Top = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("demo");
    QDir(Top + QStringLiteral("/devices")).removeRecursively();
    const QString internal = QStringLiteral("Internal storage");
    const QString card = QStringLiteral("SD card");

    QDir().mkpath(DevicePath(QString()));
    QFile ini(DevicePath(QStringLiteral("device.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Device]\r\nFriendlyName=Nimbus X5\r\nManufacturer=Orrery Mobile\r\nDescription=Nimbus X5 phone\r\n"
              "Model=NX5-2024\r\nSerialNumber=NX5A0042917\r\nFirmware=4.2.1\r\nProtocol=MTP: 1.10\r\n"
              "PowerSource=0\r\nPowerLevel=76\r\nDeviceType=3\r\n");
    ini.close();

    Pictures(internal);
    Documents(internal);
    Music(card);
    for (int i = 1; i <= 40; ++i) {
        Stamp(QString());
        WritePicture(QStringLiteral("%1/DCIM/Camera/IMG_%2_%3.jpg")
                         .arg(card, Clock.toString(QStringLiteral("yyyyMMdd")))
                         .arg(200000 + i * 577),
                     "JPG", 96, 72);
    }

    Dates.removeAll(QString());
    QStringList kept;
    for (const QString &line : std::as_const(Dates))
        if (!line.endsWith(QLatin1Char('\t')))
            kept.append(line);
    QFile dates(Top + QStringLiteral("/file-dates.txt"));
    dates.open(QIODevice::WriteOnly);
    dates.write(
        (QStringLiteral("# Modification times of the demo device's files (local time), applied by scripts/demo.sh\n") +
         kept.join(QLatin1Char('\n')) + QLatin1Char('\n'))
            .toUtf8());
    return 0;
}
