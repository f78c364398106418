#include "ui/Appearance.h"

#include <QApplication>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QPainter>
#include <QPalette>
#include <QProcess>
#include <QProxyStyle>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

#include <memory>

namespace {

struct TAppearance
{
    QString LightStyle = QStringLiteral("Fusion");
    QString DarkStyle = QStringLiteral("Fusion Dark");
    QString Active;
    bool StartPaletteDark = false;
    bool Initialised = false;
};

TAppearance &State()
{
    static TAppearance state;
    if (!state.Initialised && qApp) {
        state.Initialised = true;
        state.StartPaletteDark = QApplication::palette().color(QPalette::Window).lightness() < 128;
        state.Active = state.LightStyle;
    }
    return state;
}

// Fusion draws the frame of an unchecked check box or radio button only a
// shade off the window's colour (on the dark palette it all but vanishes);
// this style adds a frame that stands out from the window in either palette.
class TContrastStyle : public QProxyStyle
{
public:
    TContrastStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        const bool indicator = element == PE_IndicatorCheckBox || element == PE_IndicatorRadioButton;
        if (!indicator)
            return;
        const bool dark = option->palette.color(QPalette::Window).lightness() < 128;
        const bool enabled = option->state & State_Enabled;
        const QColor frameColour = dark ? (enabled ? QColor(0xa8, 0xae, 0xb4) : QColor(0x70, 0x75, 0x7a))
                                        : (enabled ? QColor(0x6e, 0x73, 0x79) : QColor(0xa4, 0xa8, 0xac));
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, element == PE_IndicatorRadioButton);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(frameColour, 1));
        const QRectF frame = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        if (element == PE_IndicatorRadioButton)
            painter->drawEllipse(frame.adjusted(0.5, 0.5, -0.5, -0.5));
        else
            painter->drawRoundedRect(frame, 1.5, 1.5);
        painter->restore();
    }
};

QPalette LightPalette()
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion ? fusion->standardPalette() : QPalette();
}

QPalette DarkPalette()
{
    QPalette p;
    const QColor window(0x2b, 0x2d, 0x30);
    const QColor base(0x1f, 0x20, 0x22);
    const QColor text(0xe6, 0xe8, 0xea);
    const QColor disabledText(0x7c, 0x82, 0x88);
    const QColor highlight(0x2f, 0x6f, 0xb8);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x28, 0x2b));
    p.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3d, 0x41));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabledText);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x36, 0x39, 0x3d));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xff, 0x6b, 0x6b));
    p.setColor(QPalette::Light, QColor(0x4a, 0x4e, 0x53));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x43, 0x48));
    p.setColor(QPalette::Mid, QColor(0x24, 0x26, 0x28));
    p.setColor(QPalette::Dark, QColor(0x1a, 0x1b, 0x1d));
    p.setColor(QPalette::Shadow, QColor(0x0d, 0x0d, 0x0e));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    p.setColor(QPalette::LinkVisited, QColor(0xb3, 0x9d, 0xdb));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x4a, 0x4e, 0x53));
    return p;
}

// org.freedesktop.appearance color-scheme: 0 no preference, 1 dark, 2 light.
int PortalColourScheme()
{
    QDBusInterface portal(QStringLiteral("org.freedesktop.portal.Desktop"),
                          QStringLiteral("/org/freedesktop/portal/desktop"),
                          QStringLiteral("org.freedesktop.portal.Settings"));
    if (!portal.isValid())
        return -1;
    QDBusReply<QVariant> reply = portal.call(QStringLiteral("Read"), QStringLiteral("org.freedesktop.appearance"),
                                             QStringLiteral("color-scheme"));
    if (!reply.isValid())
        return -1;
    QVariant value = reply.value();
    // The portal wraps the value in one or two variants.
    while (value.canConvert<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    bool ok = false;
    const int scheme = value.toInt(&ok);
    return ok ? scheme : -1;
}

// GNOME's setting: 'prefer-dark', 'prefer-light' or 'default'.
int GnomeColourScheme()
{
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty())
        return -1;
    QProcess process;
    process.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                              QStringLiteral("color-scheme")});
    if (!process.waitForFinished(2000) || process.exitCode() != 0)
        return -1;
    const QString value = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    if (value.contains(QLatin1String("dark")))
        return 1;
    if (value.contains(QLatin1String("light")))
        return 2;
    return 0;
}

} // namespace

int MonitorDpi(const QWidget *window)
{
    const QScreen *screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return 96;
    return qRound(screen->logicalDotsPerInch());
}

int ScaleToDpi(int pixels, int dpi)
{
    // Integer multiply-divide with rounding, as for every designed size.
    const long long scaled = static_cast<long long>(pixels) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : (scaled - 48) / 96);
}

int ScaleToMonitor(int pixels, const QWidget *window)
{
    return ScaleToDpi(pixels, MonitorDpi(window));
}

bool IsSystemDarkMode()
{
    int scheme = PortalColourScheme();
    if (scheme <= 0)
        scheme = GnomeColourScheme();
    if (scheme == 1)
        return true;
    if (scheme == 2)
        return false;
    return State().StartPaletteDark;
}

void SetDarkStyleName(const QString &name)
{
    TAppearance &state = State();
    state.LightStyle = state.Active.isEmpty() ? QStringLiteral("Fusion") : state.Active;
    state.DarkStyle = name;
}

QString ActiveStyleName()
{
    return State().Active;
}

bool DarkModeActive()
{
    TAppearance &state = State();
    return state.Active.compare(state.DarkStyle, Qt::CaseInsensitive) == 0 &&
           state.DarkStyle.compare(state.LightStyle, Qt::CaseInsensitive) != 0;
}

void ApplyDarkMode(bool dark)
{
    TAppearance &state = State();
    const QString wanted = dark ? state.DarkStyle : state.LightStyle;
    if (wanted.compare(state.Active, Qt::CaseInsensitive) == 0 &&
        dynamic_cast<TContrastStyle *>(QApplication::style()) != nullptr)
        return;
    QApplication::setStyle(new TContrastStyle);
    QApplication::setPalette(dark ? DarkPalette() : LightPalette());
    state.Active = wanted;
}

void FollowSystemDarkMode()
{
    ApplyDarkMode(IsSystemDarkMode());
}

QColor StyleColor(TStyleElement element, const QColor &defaultColor)
{
    if (!DarkModeActive())
        return defaultColor;
    const QPalette palette = QApplication::palette();
    return element == seComboBoxSelected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base);
}

QColor StyleFontColor(TStyleElement element, const QColor &defaultColor)
{
    if (!DarkModeActive())
        return defaultColor;
    const QPalette palette = QApplication::palette();
    return element == seComboBoxSelected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);
}
