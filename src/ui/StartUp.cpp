#include "ui/StartUp.h"

#include "ui/Appearance.h"
#include "ui/DataFolders.h"
#include "ui/Help.h"
#include "ui/IconSets.h"
#include "ui/MainForm.h"
#include "ui/MessageDialog.h"
#include "ui/dialogs/DirectoryChooser.h"

#include "app/Locations.h"
#include "base/IntegerText.h"
#include "device/DeviceError.h"
#include "settings/IniFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

void InstallTranslators(QApplication &app, const QString &languageCode)
{
    SetHelpLanguage(languageCode);
    if (languageCode.isEmpty() || languageCode == QLatin1String("en"))
        return;
    // The installed translation first, so that it can be updated without a
    // new program; the built-in one otherwise.
    auto *program = new QTranslator(&app);
    const QString name = QStringLiteral("tessaril_%1.qm").arg(languageCode);
    const QString installed = InstalledDataFolder(QStringLiteral("translations"));
    if ((!installed.isEmpty() && program->load(installed + QLatin1Char('/') + name)) ||
        program->load(QStringLiteral(":/i18n/") + name))
        QApplication::installTranslator(program);
    auto *qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_%1").arg(languageCode), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qt);
}

int FamilyIconStyle(const QString &familyCfg)
{
    if (familyCfg.isEmpty() || !QFileInfo(familyCfg).isFile())
        return -1;
    // A configuration that cannot be read counts as one without the key; the
    // program starts all the same.
    int style = 0;
    return ParseInteger32(ReadStringFromIni(familyCfg, QStringLiteral("Config"), QStringLiteral("IconStyle")), style)
               ? style
               : 0;
}

int RunProgram(QApplication &app)
{
    const QStringList arguments = QApplication::arguments().mid(1);
    TMainFormStart start;
    start.Env = TSystemEnvironment::FromSystem();
    start.Arguments = arguments;
    const TProgramStart program = DetermineProgramStart(start.Env, arguments);
    start.Locations = program.Locations;

    InstallTranslators(app, program.Language.Code);
    LoadIconSets(QStringLiteral("images"), {QStringLiteral("content"), QStringLiteral("dialogs")},
                 IconStyleIndex(arguments, FamilyIconStyle(start.Locations.FamilyCfg)));
    ApplyDarkMode(false);

    std::unique_ptr<TMainForm> form;
    try {
        form = std::make_unique<TMainForm>(std::move(start));
    } catch (const EDeviceCallError &error) {
        ErrorDialog(error.Message());
        return 1;
    }
    // The directory chooser lives as long as the window and keeps its state between calls.
    const std::unique_ptr<TShellDirDialog> directoryChooser = CreateShellDirDialog();
    form->show();
    const int result = QApplication::exec();
    CloseAllHelp();
    return result;
}
