#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TIconList;
struct zip;

// One icon-set archive held in memory with a zip reader opened on it.
class TZipImages
{
public:
    TZipImages(const QString &group, QByteArray data);
    ~TZipImages();
    TZipImages(const TZipImages &) = delete;
    TZipImages &operator=(const TZipImages &) = delete;

    const QString &ImgGroup() const { return FImgGroup; }
    const QByteArray &Data() const { return FData; }
    bool HasZipFile() const { return FZipFile != nullptr; }
    // The entry "<name>.svg" (letter case of the name ignored); empty when missing.
    QByteArray ReadIcon(const QString &iconName) const;

private:
    QString FImgGroup;
    QByteArray FData;
    zip *FZipFile = nullptr;
};

class TZipImageCollection
{
public:
    // Reads the whole archive into memory; null when the file does not exist.
    TZipImages *AddZipImages(const QString &group, const QString &zipName);
    // The first item of that group (letter case ignored) with an open reader.
    const TZipImages *GetZipFile(const QString &group) const;
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TZipImages>> FItems;
};

// Icon styles by index.
inline const QStringList IconStyleNames{QStringLiteral("none"), QStringLiteral("plain")};

// The style index: a /design: option of the command line (a prefix of a
// style name), else the family's IconStyle setting (-1 when there is none).
int IconStyleIndex(const QStringList &arguments, int familyIconStyle);

// Program-wide icon sets: loaded once at start, applied by every window.
TZipImageCollection &ZipImageCollection();
int IconStyle();
QString IconSetFileName(const QString &location, const QString &group, int style);
void LoadIconSets(const QString &location, const QStringList &groups, int styleIndex);
void ApplyIconSet(const QString &group, const std::vector<TIconList *> &iconLists);
void ApplyDefaultIconSet(const std::vector<TIconList *> &iconLists);
