#pragma once

#include "app/TimeSlot.h"
#include "filter/TextFilter.h"

#include <QString>
#include <QStringList>

class TMemIniFile;

// The overwrite rule of a run ("Overwrite" in settings and task files).
enum TOverwriteRule
{
    owOlder = 0, // "existing files when older"
    owAll = 1,   // "all existing files"
    owNone = 2   // "no existing files"
};

// State of the configuration against its task file.
enum TEditStatus
{
    esNew,
    esChanged,
    esSaved
};

// The backup configuration: what the main window's controls show and what a
// task file holds, apart from the device and the folder selection. The window
// fills it from its controls; the backup run and the command line read it.
struct TBackupConfig
{
    TBackupConfig();
    TBackupConfig(const TBackupConfig &) = delete;
    TBackupConfig &operator=(const TBackupConfig &) = delete;

    QString Destination; // destination box text, placeholders unexpanded
    int Overwrite = owOlder;
    bool ArchBit = false;       // "Set archive bit"
    bool Compress = false;      // "Compress files"
    bool CompressAsZip = false; // "as zip"; meaningful only with Compress
    QStringList AktNoComp;      // types never compressed: sorted, unique, case-insensitive
    TTextFilter FFilter;        // file filter ignoring case
    TTimePeriod TmPeriod;

    // Copies every value (the filter by its kind, mode and text).
    void Assign(const TBackupConfig &other);
};

// The built-in list of types never compressed.
QStringList DefaultNoCompTypes();
// Sorted without regard to case, duplicates (in any case) dropped.
QStringList NormalizedTypeList(const QStringList &types);
// The list's entry for files without an extension (the list editor turns an
// empty entry into it, and stored lists keep it in this form).
inline const QString NoExtensionType = QStringLiteral("<ohne>");
// Whether a file of this extension stays uncompressed; an empty extension
// matches NoExtensionType (or an empty entry).
bool IsNoCompType(const QStringList &types, const QString &extension);
// "#" for the empty list, else the comma text of the list.
QString NoCompTypesText(const QStringList &types);
// Applies a stored "NoCompTypes" value: "#" empties the list, an empty value
// keeps it, any other value replaces it.
void ApplyNoCompTypesText(QStringList &types, const QString &value);

// Reads and writes the keys that settings and task files share, from
// "Overwrite" of section "Config" to "DateTo" of section "TimeSlot", in the
// order in which they are written. Missing keys keep the current values
// (defaults of a fresh configuration). Returns the error of a stored filter
// that could not be used (empty when none).
QString ReadConfigKeys(const TMemIniFile &ini, TBackupConfig &config);
void WriteConfigKeys(TMemIniFile &ini, const TBackupConfig &config);

// Sets the filter from stored values: kind and mode first, then the text with
// the match-all default; "*.*" stands for match-all; an invalid text leaves the
// filter matching all; a mask text that reads "*" afterwards switches it off.
// Returns the filter's error ("Illegal regular expression!"), empty when none.
QString LoadFilter(TTextFilter &filter, bool regular, int mode, const QString &text);

// Whether a filter lets no file through at all (an exclude filter that
// matches every name): a run with it would copy nothing.
bool FilterExcludesEverything(const TTextFilter &filter);
