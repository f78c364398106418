#include "ui/widgets/WindowIcons.h"

#include "ui/Appearance.h"
#include "ui/IconSets.h"
#include "ui/OxButton.h"

TWindowIcons::TWindowIcons()
    : Large(32, {"app-reset", "app-open", "save", "save-as", "backup-shortcut", "backup-run", "query-green",
                 "info-blue", "switchoff", "warning", "cancel", "backup-preview"}),
      Glyphs(20, {"refresh", "placeholder", "folder-open", "list-edit", "filter", "copy"}),
      Battery(32, {"battery-25", "battery-50", "battery-75", "battery-100"}), Header(16, {"b-down", "b-up"}),
      FileTypes(16, {"unknown", "page", "document", "message", "memo", "certificate", "contact", "image", "audio",
                     "video", "television", "playlist", "mail", "program", "generic", "calendar", "mediacast"}),
      Tree(16, {"device", "storage", "folder"})
{
    ApplyDefaultIconSet({&Large, &Glyphs, &Battery, &Header, &Tree});
    ApplyIconSet(QStringLiteral("content"), {&FileTypes});
}

void TWindowIcons::ScaleFor(const QWidget *window)
{
    const int dpi = MonitorDpi(window);
    for (TIconList *list : {&Large, &Glyphs, &Battery, &Header, &FileTypes, &Tree})
        list->SetScale(dpi);
}

void SetGlyph(TOxButton &button, TIconList &glyphs, const QString &name)
{
    button.SetImages(&glyphs);
    button.SetImageName(name);
    button.SetLayout(blGlyphLeft);
    const int side = ScaleToMonitor(28, &button);
    if (button.text().isEmpty())
        button.setFixedSize(side, side);
}
