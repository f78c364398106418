#include "ui/IconList.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

namespace {

// The neutral outline colour of the built-in drawings; on a dark palette it
// becomes a light ink so that outlines stay visible.
constexpr char InkColour[] = "#37474f";
constexpr char DarkInkColour[] = "#cfd8dc";

bool PaletteIsDark()
{
    return QApplication::palette().color(QPalette::Window).lightness() < 128;
}

} // namespace

TIconList::TIconList(int designedSize, const QStringList &names, QObject *parent)
    : QObject(parent), FDesignedSize(designedSize), FSize(designedSize)
{
    FItems.reserve(static_cast<size_t>(names.size()));
    for (const QString &name : names)
        FItems.push_back({name, BuiltInSvg(name)});
}

void TIconList::SetScale(int pixelsPerInch)
{
    const int size = (FDesignedSize * pixelsPerInch + 48) / 96;
    if (size == FSize || size <= 0)
        return;
    FSize = size;
    Q_EMIT Changed();
}

QString TIconList::IconName(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return FItems[static_cast<size_t>(index)].Name;
}

int TIconList::IndexOf(const QString &name) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QByteArray TIconList::Svg(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return FItems[static_cast<size_t>(index)].Svg;
}

bool TIconList::ReplaceSvg(int index, const QByteArray &svg)
{
    if (index < 0 || index >= Count())
        return false;
    // A document the renderer cannot read would leave a blank icon: keep the old one.
    if (!QSvgRenderer(svg).isValid())
        return false;
    FItems[static_cast<size_t>(index)].Svg = svg;
    Q_EMIT Changed();
    return true;
}

QIcon TIconList::Icon(int index) const
{
    const QByteArray svg = Svg(index);
    if (svg.isEmpty())
        return {};
    QIcon icon;
    icon.addPixmap(Render(svg, FSize, 1.0));
    icon.addPixmap(Render(svg, FSize, 2.0));
    return icon;
}

QPixmap TIconList::Pixmap(int index, qreal devicePixelRatio, bool disabled) const
{
    QPixmap pixmap = Render(Svg(index), FSize, devicePixelRatio);
    if (!disabled || pixmap.isNull())
        return pixmap;
    // Disabled: grey and faint on every palette.
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QByteArray TIconList::BuiltInSvg(const QString &name)
{
    QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QPixmap TIconList::Render(const QByteArray &svg, int size, qreal devicePixelRatio)
{
    if (svg.isEmpty() || size <= 0)
        return {};
    QByteArray document = svg;
    if (PaletteIsDark())
        document.replace(InkColour, DarkInkColour);
    QSvgRenderer renderer(document);
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
