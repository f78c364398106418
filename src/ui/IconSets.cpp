#include "ui/IconSets.h"

#include "ui/IconList.h"

#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QFile>

#include <zip.h>

namespace {

// An icon is a few kilobytes; a huge entry is refused rather than read.
constexpr zip_uint64_t MaxIconBytes = zip_uint64_t{4} * 1024 * 1024;

struct TIconSetState
{
    TZipImageCollection Collection;
    QString Location;
    int Style = 0;
};

TIconSetState &State()
{
    static TIconSetState state;
    return state;
}

} // namespace

TZipImages::TZipImages(const QString &group, QByteArray data) : FImgGroup(group), FData(std::move(data))
{
    if (FData.isEmpty())
        return;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source =
        zip_source_buffer_create(FData.constData(), static_cast<zip_uint64_t>(FData.size()), 0, &error);
    if (source) {
        FZipFile = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!FZipFile)
            zip_source_free(source);
    }
    zip_error_fini(&error);
}

TZipImages::~TZipImages()
{
    if (FZipFile)
        zip_discard(FZipFile);
}

QByteArray TZipImages::ReadIcon(const QString &iconName) const
{
    if (!FZipFile || iconName.isEmpty())
        return {};
    const QByteArray entryName = (iconName + QStringLiteral(".svg")).toUtf8();
    const zip_int64_t index = zip_name_locate(FZipFile, entryName.constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return {};
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(FZipFile, static_cast<zip_uint64_t>(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > MaxIconBytes)
        return {};
    zip_file_t *file = zip_fopen_index(FZipFile, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        return {};
    QByteArray content(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_fread(file, content.data(), stat.size);
    zip_fclose(file);
    if (read != static_cast<zip_int64_t>(stat.size))
        return {};
    return content;
}

TZipImages *TZipImageCollection::AddZipImages(const QString &group, const QString &zipName)
{
    QFile file(zipName);
    if (!file.exists())
        return nullptr;
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    FItems.push_back(std::make_unique<TZipImages>(group, std::move(data)));
    return FItems.back().get();
}

const TZipImages *TZipImageCollection::GetZipFile(const QString &group) const
{
    for (const auto &item : FItems)
        if (item->ImgGroup().compare(group, Qt::CaseInsensitive) == 0)
            return item->HasZipFile() ? item.get() : nullptr;
    return nullptr;
}

int IconStyleIndex(const QStringList &arguments, int familyIconStyle)
{
    const QString design = CommandOptionValue(arguments, QStringLiteral("design"));
    if (!design.isEmpty()) {
        for (int i = 0; i < IconStyleNames.size(); ++i)
            if (IconStyleNames[i].startsWith(design, Qt::CaseInsensitive))
                return i;
        return 0;
    }
    // Only the known styles count; anything else means "none".
    if (familyIconStyle > 0 && familyIconStyle < IconStyleNames.size())
        return familyIconStyle;
    return 0;
}

TZipImageCollection &ZipImageCollection()
{
    return State().Collection;
}

int IconStyle()
{
    return State().Style;
}

QString IconSetFileName(const QString &location, const QString &group, int style)
{
    QString folder = location;
    if (!folder.startsWith(QLatin1Char('/')))
        folder = QCoreApplication::applicationDirPath() + QLatin1Char('/') + folder;
    return folder + QLatin1Char('/') + group + QLatin1Char('-') + IconStyleNames.value(style) + QStringLiteral(".zip");
}

void LoadIconSets(const QString &location, const QStringList &groups, int styleIndex)
{
    TIconSetState &state = State();
    state.Collection.Clear();
    state.Location = location;
    state.Style = styleIndex;
    if (styleIndex <= 0)
        return;
    QStringList all{QStringLiteral("default")};
    all += groups;
    for (const QString &group : all)
        state.Collection.AddZipImages(group, IconSetFileName(location, group, styleIndex));
}

void ApplyIconSet(const QString &group, const std::vector<TIconList *> &iconLists)
{
    if (IconStyle() == 0)
        return;
    const TZipImages *images = ZipImageCollection().GetZipFile(group.isEmpty() ? QStringLiteral("default") : group);
    if (!images)
        return;
    for (TIconList *list : iconLists) {
        if (!list)
            continue;
        for (int i = 0; i < list->Count(); ++i) {
            const QByteArray svg = images->ReadIcon(list->IconName(i));
            if (!svg.isEmpty())
                list->ReplaceSvg(i, svg);
        }
    }
}

void ApplyDefaultIconSet(const std::vector<TIconList *> &iconLists)
{
    ApplyIconSet(QStringLiteral("default"), iconLists);
}
