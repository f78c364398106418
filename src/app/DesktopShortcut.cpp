#include "app/DesktopShortcut.h"

#include "base/SafeFormat.h"
#include "base/TextDomains.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// The escapes of a string value: backslash, line breaks and tabs.
QString EscapedValue(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            result += QStringLiteral("\\\\");
            break;
        case '\n':
            result += QStringLiteral("\\n");
            break;
        case '\r':
            result += QStringLiteral("\\r");
            break;
        case '\t':
            result += QStringLiteral("\\t");
            break;
        default:
            // Other control characters have no escape; a blank keeps the line intact.
            result += c.unicode() < 0x20 ? QChar(QLatin1Char(' ')) : c;
        }
    }
    return result;
}

} // namespace

TDesktopShortcut DesktopShortcutFor(const QString &taskName, const QString &desktopDir)
{
    TDesktopShortcut shortcut;
    shortcut.Base = QFileInfo(taskName).completeBaseName();
    shortcut.Name = QStringLiteral("Qy-Tesar-") + shortcut.Base;
    // The launcher's file name is one component, whatever the task's name holds.
    QString fileBase = shortcut.Name;
    fileBase.replace(QLatin1Char('/'), QLatin1Char('_'));
    shortcut.FileName = desktopDir + fileBase + QStringLiteral(".desktop");
    shortcut.Comment = SafeFormat(PrgText::tr("Device backup: %s"), shortcut.Base);
    return shortcut;
}

bool DesktopShortcutExists(const TDesktopShortcut &shortcut)
{
    return QFileInfo(shortcut.FileName).isFile();
}

TShortcutTarget TaskShortcutTarget(const QString &programFile, const QString &taskName, const QString &jobDir)
{
    TShortcutTarget target;
    target.ProgramFile = programFile;
    target.Arguments = {QFileInfo(taskName).absoluteFilePath(), QStringLiteral("/f")};
    target.WorkingDir = jobDir;
    // A name of the icon naming rules, present in every icon theme.
    target.Icon = QStringLiteral("drive-removable-media");
    return target;
}

QString QuotedExecArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        // "%" starts a field code; a literal one is doubled.
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString DesktopEntryText(const TDesktopShortcut &shortcut, const TShortcutTarget &target)
{
    QStringList exec{QuotedExecArgument(target.ProgramFile)};
    for (const QString &argument : target.Arguments)
        exec.append(QuotedExecArgument(argument));
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nVersion=1.0\n");
    text += QStringLiteral("Name=") + EscapedValue(shortcut.Name) + QLatin1Char('\n');
    text += QStringLiteral("Comment=") + EscapedValue(shortcut.Comment) + QLatin1Char('\n');
    // The quoting above comes first; the string escapes apply to the whole line.
    text += QStringLiteral("Exec=") + EscapedValue(exec.join(QLatin1Char(' '))) + QLatin1Char('\n');
    if (!target.WorkingDir.isEmpty())
        text += QStringLiteral("Path=") + EscapedValue(target.WorkingDir) + QLatin1Char('\n');
    if (!target.Icon.isEmpty())
        text += QStringLiteral("Icon=") + EscapedValue(target.Icon) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
    return text;
}

QString CreateDesktopShortcut(const TDesktopShortcut &shortcut, const TShortcutTarget &target)
{
    const QString folder = QFileInfo(shortcut.FileName).absolutePath();
    if (!QDir().mkpath(folder))
        return SafeFormat(PrgText::tr("Cannot create the folder \"%s\""), folder);
    QSaveFile file(shortcut.FileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = DesktopEntryText(shortcut, target).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    // Desktops start only launchers that are executable.
    QFile::Permissions permissions = QFile::permissions(shortcut.FileName);
    permissions |= QFile::ExeOwner | QFile::ExeUser;
    if (!QFile::setPermissions(shortcut.FileName, permissions))
        return SafeFormat(PrgText::tr("Cannot make \"%s\" executable"), shortcut.FileName);
    // Trust is a desktop's own mark; without gio (or without a desktop
    // session to store it) the launcher still works after one question.
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!gio.isEmpty()) {
        QProcess process;
        process.start(gio, {QStringLiteral("set"), shortcut.FileName, QStringLiteral("metadata::trusted"),
                            QStringLiteral("true")});
        process.waitForFinished(5000);
    }
    return {};
}
