#include "ui/NumEdit.h"

#include "base/IntegerText.h"
#include "base/TrimText.h"
#include "ui/MessageDialog.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <QWheelEvent>

namespace {

TNumMode BaseOfChar(QChar ch)
{
    if (ch == QLatin1Char('$'))
        return nmHex;
    if (ch == QLatin1Char('%'))
        return nmOctal;
    if (ch == QLatin1Char('!'))
        return nmBin;
    return nmDecimal;
}

bool InCharSet(TNumMode base, QChar ch)
{
    const char16_t c = ch.unicode();
    switch (base) {
    case nmHex:
        return c == u'$' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    case nmOctal:
        return c == u'%' || (c >= u'0' && c <= u'7');
    case nmBin:
        return c == u'!' || c == u'0' || c == u'1';
    default:
        return c == u' ' || c == u'+' || c == u'-' || (c >= u'0' && c <= u'9');
    }
}

int HexDigit(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// A hexadecimal bit pattern of at most `maxDigits` significant digits.
bool ParseHexPattern(QStringView digits, int maxDigits, std::uint64_t &value)
{
    if (digits.isEmpty())
        return false;
    value = 0;
    int significant = 0;
    for (QChar ch : digits) {
        const int digit = HexDigit(ch);
        if (digit < 0)
            return false;
        if (significant > 0 || digit != 0)
            ++significant;
        if (significant > maxDigits)
            return false;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return true;
}

bool ParseGroup(TNumMode base, QString group, std::int64_t &value)
{
    if (base == nmDecimal) {
        group.remove(QLatin1Char(' '));
        int decimal = 0;
        if (!ParseInteger32(group, decimal))
            return false;
        value = decimal;
        return true;
    }
    bool negative = false;
    if (group.startsWith(QLatin1Char('-'))) {
        negative = true;
        group.remove(0, 1);
    }
    group.remove(QLatin1Char(' '));
    if (base == nmHex) {
        if (group.startsWith(QLatin1Char('$')))
            group.remove(0, 1);
        std::uint64_t pattern = 0;
        if (!ParseHexPattern(group, 16, pattern))
            return false;
        value = static_cast<std::int64_t>(pattern);
        if (negative)
            value = static_cast<std::int64_t>(0ULL - pattern);
        return true;
    }
    const QChar marker = base == nmOctal ? QLatin1Char('%') : QLatin1Char('!');
    group.remove(marker);
    const int radix = base == nmOctal ? 8 : 2;
    std::uint64_t accumulated = 0;
    for (QChar ch : group) {
        const int digit = ch.unicode() - u'0';
        if (digit < 0 || digit >= radix)
            return false;
        accumulated = accumulated * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    }
    value = static_cast<std::int64_t>(negative ? 0ULL - accumulated : accumulated);
    return true;
}

QString FormatNumber(std::int64_t value, TNumMode mode)
{
    switch (mode) {
    case nmHex:
        return QLatin1Char('$') + QString::number(static_cast<std::uint64_t>(value), 16).toUpper();
    case nmOctal:
        return QLatin1Char('%') + QString::number(static_cast<std::uint64_t>(value), 8);
    case nmBin:
        return QLatin1Char('!') + QString::number(static_cast<std::uint64_t>(value), 2);
    default:
        return QString::number(value);
    }
}

} // namespace

TCustomNumEdit::TCustomNumEdit(QWidget *parent) : QLineEdit(parent)
{}

void TCustomNumEdit::SetAlignment(Qt::Alignment alignment)
{
    FAlignment = alignment;
    setAlignment(alignment | Qt::AlignVCenter);
}

bool TCustomNumEdit::IsValidChar(QChar)
{
    return true;
}

void TCustomNumEdit::IncrementValue(std::int64_t)
{}

void TCustomNumEdit::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    const bool editingKey = event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut);
    if (editingKey && isReadOnly())
        return;
    // The arrow keys step the value, as a spin box does.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && event->modifiers() == Qt::NoModifier) {
        if (!isReadOnly())
            IncrementValue(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    if (typed.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        typed[0].unicode() > 0x20 && !IsValidChar(typed[0])) {
        QApplication::beep();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCustomNumEdit::wheelEvent(QWheelEvent *event)
{
    // Only the focused edit takes the wheel, so that scrolling past it changes nothing.
    const int steps = event->angleDelta().y() / 120;
    if (!hasFocus() || isReadOnly() || steps == 0) {
        event->ignore();
        return;
    }
    IncrementValue(steps);
    event->accept();
}

void TCustomNumEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason)
        QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

TNumberEdit::TNumberEdit(QWidget *parent) : TCustomNumEdit(parent)
{
    setText(QStringLiteral("0"));
}

bool TNumberEdit::IsValidChar(QChar ch)
{
    if (ch.unicode() <= 0x20)
        return true;
    const QString trimmed = TrimControls(text()).toString();
    const bool allSelected = hasSelectedText() && selectedText() == text();
    if (!trimmed.isEmpty() && !allSelected)
        FInpNumMd = BaseOfChar(trimmed[0]);
    else if (FPrefix)
        FInpNumMd = BaseOfChar(ch);
    return InCharSet(FInpNumMd, ch);
}

std::int64_t TNumberEdit::ParseNumber(const QString &text, bool &error)
{
    error = false;
    const QString trimmed = TrimControls(text).toString();
    if (trimmed.isEmpty() || trimmed == QLatin1String("+") || trimmed == QLatin1String("-"))
        return 0;
    const TNumMode base = BaseOfChar(trimmed[0]);
    std::uint64_t value = 0;
    for (const QString &group : trimmed.split(QLatin1Char('_'))) {
        std::int64_t groupValue = 0;
        if (!ParseGroup(base, group, groupValue)) {
            groupValue = 0;
            error = true;
        }
        value = value * 256 + static_cast<std::uint64_t>(groupValue);
    }
    return static_cast<std::int64_t>(value);
}

std::int64_t TNumberEdit::GetValue()
{
    bool error = false;
    const std::int64_t value = ParseNumber(text(), error);
    FConvertError = error;
    if (error)
        QApplication::beep();
    return value;
}

void TNumberEdit::SetNumMode(TNumMode mode)
{
    FNumMode = mode;
    ShowValue();
}

void TNumberEdit::ShowValue()
{
    setText(FormatNumber(FValue, FNumMode));
    end(false);
}

void TNumberEdit::SetValue(std::int64_t value)
{
    const bool changed = value != FValue;
    FValue = value;
    ShowValue();
    if (changed) {
        setModified(true);
        Q_EMIT ValueChanged(value);
    }
}

void TNumberEdit::IncrementValue(std::int64_t delta)
{
    SetValue(FValue + delta);
}

void TNumberEdit::keyReleaseEvent(QKeyEvent *event)
{
    TCustomNumEdit::keyReleaseEvent(event);
    const std::int64_t value = GetValue();
    if (value != FValue) {
        FValue = value;
        Q_EMIT ValueChanged(value);
    }
}

void TNumberEdit::focusOutEvent(QFocusEvent *event)
{
    TCustomNumEdit::focusOutEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    SetValue(GetValue());
}

TRangeEdit::TRangeEdit(QWidget *parent) : TNumberEdit(parent)
{}

void TRangeEdit::SetValue(std::int64_t value)
{
    if (FMinValue != FMaxValue)
        value = qBound(FMinValue, value, FMaxValue);
    TNumberEdit::SetValue(value);
}

void TRangeEdit::SetMinValue(std::int64_t value)
{
    FMinValue = value;
    SetValue(FValue);
}

void TRangeEdit::SetMaxValue(std::int64_t value)
{
    FMaxValue = value;
    SetValue(FValue);
}

QString TRangeEdit::RangeErrorText() const
{
    return LibText::tr("Range check error") + QStringLiteral(" (%1 .. %2)").arg(FMinValue).arg(FMaxValue);
}

void TRangeEdit::focusOutEvent(QFocusEvent *event)
{
    // The number edit's own handling (reformatting the text) is skipped on purpose
    // while the range error is reported or the focus only leaves the window.
    if (FReporting || event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
        TCustomNumEdit::focusOutEvent(event); // NOLINT(bugprone-parent-virtual-call)
        return;
    }
    FValue = GetValue();
    FRangeError = FRangeCheck && FMinValue != FMaxValue && (FValue < FMinValue || FValue > FMaxValue);
    if (!FRangeError) {
        TNumberEdit::focusOutEvent(event);
        return;
    }
    TCustomNumEdit::focusOutEvent(event); // NOLINT(bugprone-parent-virtual-call)
    QApplication::beep();
    // The field keeps the focus and its text; the error is shown once the
    // focus change has settled.
    FReporting = true;
    QTimer::singleShot(0, this, [this] {
        setFocus(Qt::OtherFocusReason);
        ErrorDialog(RangeErrorText());
        setFocus(Qt::OtherFocusReason);
        FReporting = false;
    });
}

TNumUpDown::TNumUpDown(QWidget *parent) : QWidget(parent)
{
    resize(16, 21);
    setFocusPolicy(Qt::TabFocus);
}

bool TNumUpDown::SetAssociate(TNumberEdit *edit, QString *error)
{
    if (Associate())
        FAssociate->removeEventFilter(this);
    FAssociate = nullptr;
    FAssociateObject = nullptr;
    if (!edit || edit->parentWidget() != parentWidget())
        return false;
    for (TNumUpDown *other : parentWidget()->findChildren<TNumUpDown *>(Qt::FindDirectChildrenOnly)) {
        if (other != this && other->Associate() == edit) {
            if (error)
                *error = LibText::tr("%1 is already associated with %2").arg(edit->objectName(), other->objectName());
            return false;
        }
    }
    FAssociate = edit;
    FAssociateObject = edit;
    edit->installEventFilter(this);
    FollowAssociate();
    return true;
}

void TNumUpDown::SetAlignButton(TUpDownAlign align)
{
    FAlignButton = align;
    FollowAssociate();
}

void TNumUpDown::FollowAssociate()
{
    if (!Associate())
        return;
    const QRect edit = FAssociate->geometry();
    const int x = FAlignButton == udRight ? edit.right() + 1 : edit.left() - 16;
    setGeometry(x, edit.top(), 16, edit.height());
}

bool TNumUpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FAssociateObject.data())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        FollowAssociate();
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        setVisible(event->type() == QEvent::Show);
    return QWidget::eventFilter(watched, event);
}

QRect TNumUpDown::UpRect() const
{
    return QRect(0, 0, width(), height() / 2 + 1);
}

QRect TNumUpDown::DownRect() const
{
    return QRect(0, height() / 2, width(), height() - height() / 2);
}

void TNumUpDown::Up()
{
    if (Associate())
        FAssociate->IncrementValue(FIncrement);
    Q_EMIT OnUpClick();
}

void TNumUpDown::Down()
{
    if (Associate())
        FAssociate->IncrementValue(-FIncrement);
    Q_EMIT OnDownClick();
}

void TNumUpDown::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (UpRect().contains(event->position().toPoint()) &&
        event->position().y() < height() / 2 + 1) // NOLINT(bugprone-integer-division): whole pixels
        FUpPressed = true;
    else
        FDownPressed = true;
    update();
}

void TNumUpDown::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Whole pixels: the upper half ends at the same row as in mousePressEvent.
    const int upperEnd = height() / 2 + 1;
    const bool overUp = rect().contains(event->position().toPoint()) && event->position().y() < upperEnd;
    const bool up = FUpPressed && overUp;
    const bool down = !up && FDownPressed;
    FUpPressed = FDownPressed = false;
    update();
    if (up)
        Up();
    else if (down)
        Down();
}

void TNumUpDown::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Plus)
        Up();
    else if (event->key() == Qt::Key_Minus)
        Down();
    else
        QWidget::keyPressEvent(event);
}

void TNumUpDown::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette pal = palette();
    const QColor frame = isEnabled() ? pal.color(QPalette::Dark) : pal.color(QPalette::Disabled, QPalette::Mid);
    const auto drawHalf = [&](const QRect &half, bool pressed, QStyle::PrimitiveElement arrow) {
        painter.fillRect(half, pressed ? pal.color(QPalette::Mid) : pal.color(QPalette::Button));
        painter.setPen(frame);
        painter.drawRect(half.adjusted(0, 0, -1, -1));
        QStyleOption option;
        option.initFrom(this);
        option.rect = half.adjusted(3, 2, -3, -2).translated(pressed ? QPoint(1, 1) : QPoint());
        if (!isEnabled())
            option.state &= ~QStyle::State_Enabled;
        style()->drawPrimitive(arrow, &option, &painter, this);
    };
    drawHalf(UpRect(), FUpPressed, QStyle::PE_IndicatorArrowUp);
    drawHalf(DownRect(), FDownPressed, QStyle::PE_IndicatorArrowDown);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
