#include "ui/Help.h"

#include "ui/DataFolders.h"
#include "ui/MessageDialog.h"
#include "ui/UiText.h"

#include "env/ProgramVersion.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <vector>

namespace {

QString &HelpLanguage()
{
    static QString language;
    return language;
}

std::vector<QPointer<QWidget>> &HelpWindows()
{
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

QWidget *OpenHelpWindow()
{
    // A closed window waits for its deletion: it is not shown again.
    for (const QPointer<QWidget> &window : HelpWindows())
        if (window && window->isVisible())
            return window;
    // No parent: the help stays independent of the program's own windows.
    auto *window = new QWidget(nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setWindowTitle(PrgText::tr("Tessaril Help"));
    for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto *shortcut = new QShortcut(keys, window);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(true);
    browser->document()->setDocumentMargin(14);
    layout->addWidget(browser);
    window->resize(720, 640);
    HelpWindows().push_back(window);
    return window;
}

} // namespace

void SetHelpLanguage(const QString &languageCode)
{
    HelpLanguage() = languageCode;
}

QString HelpPageFor(const QString &page, const QString &languageCode)
{
    if (languageCode.isEmpty() || languageCode == QLatin1String("en") || !page.endsWith(QLatin1String(".html")))
        return page;
    const QString translated = page.chopped(5) + QLatin1Char('.') + languageCode + QStringLiteral(".html");
    return QFile::exists(QStringLiteral(":/help/") + translated) ? translated : page;
}

bool ShowHelp(const QString &topic)
{
    const QString file = topic.section(QLatin1Char('#'), 0, 0);
    const QString page = HelpPageFor(file.isEmpty() ? QStringLiteral("qy-device.html") : file, HelpLanguage());
    QUrl url = HelpPageSource(QCoreApplication::applicationDirPath(), page);
    if (url.isEmpty()) {
        ErrorDialog(PrgText::tr("Help is not available on this system!"));
        return false;
    }
    QWidget *window = OpenHelpWindow();
    auto *browser = window->findChild<QTextBrowser *>(QStringLiteral("HelpBrowser"));
    const QString anchor = topic.section(QLatin1Char('#'), 1);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    browser->setSource(url);
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

void CloseAllHelp()
{
    // Deleted at once: at program end no event loop is left to delete them later.
    for (const QPointer<QWidget> &window : HelpWindows())
        delete window.data();
    HelpWindows().clear();
}

int OpenHelpWindows()
{
    int count = 0;
    for (const QPointer<QWidget> &window : HelpWindows())
        if (window && window->isVisible())
            ++count;
    return count;
}

QString VersionText(const QString &familyProgram, const QString &date, int parts)
{
    QString text = ProgramDisplayName() + BitnessText() + QStringLiteral(" (") + PrgText::tr("Version") +
                   QLatin1Char(' ') + ProgramVersion() + QStringLiteral(") - ") + date;
    text += QStringLiteral("\r\n") + PrgText::tr("Backs up photos, music and documents from phones, tablets,") +
            QStringLiteral("\r\n") + PrgText::tr("cameras and media players to a folder on this computer.");
    // Programs on this system carry no version resource: a family program
    // adds its line only when it reports a version beside it ("<name>.version").
    if (familyProgram.isEmpty())
        return text;
    QFile versionFile(familyProgram + QStringLiteral(".version"));
    if (!versionFile.open(QIODevice::ReadOnly))
        return text;
    const QString familyVersion = QString::fromUtf8(versionFile.readLine()).trimmed();
    if (familyVersion.isEmpty())
        return text;
    QString familyName = familyProgram.section(QLatin1Char('/'), -1);
    familyName = familyName.section(QLatin1Char('.'), 0, 0);
    QString line = familyName + BitnessText();
    if (parts > 0)
        line += QStringLiteral(" (") + VersionLine(familyVersion, parts) + QLatin1Char(')');
    text += QStringLiteral("\r\n") + PrgText::tr("Part of program package:") + QStringLiteral("\r\n") + line;
    return text;
}
