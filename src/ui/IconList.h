#pragma once

#include <QByteArray>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <vector>

// An ordered list of named SVG icons drawn at one designed size (pixels at
// 96 dpi). Items start with the program's built-in drawing of their name and
// can be replaced from an icon set; every replacement emits Changed so that
// the controls showing the list redraw.
class TIconList : public QObject
{
    Q_OBJECT
public:
    TIconList(int designedSize, const QStringList &names, QObject *parent = nullptr);

    int DesignedSize() const { return FDesignedSize; }
    // The size at the current scale (designed size × monitor dpi / 96).
    int Size() const { return FSize; }
    void SetScale(int pixelsPerInch);

    int Count() const { return static_cast<int>(FItems.size()); }
    QString IconName(int index) const;
    int IndexOf(const QString &name) const;

    QByteArray Svg(int index) const;
    bool ReplaceSvg(int index, const QByteArray &svg);

    QIcon Icon(int index) const;
    QIcon Icon(const QString &name) const { return Icon(IndexOf(name)); }
    QPixmap Pixmap(int index, qreal devicePixelRatio = 1.0, bool disabled = false) const;

    // The built-in SVG text of an icon name (empty when there is none).
    static QByteArray BuiltInSvg(const QString &name);
    // Renders SVG text into a square pixmap; the neutral ink follows the palette.
    static QPixmap Render(const QByteArray &svg, int size, qreal devicePixelRatio = 1.0);

Q_SIGNALS:
    void Changed();

private:
    struct TItem
    {
        QString Name;
        QByteArray Svg;
    };
    int FDesignedSize;
    int FSize;
    std::vector<TItem> FItems;
};
