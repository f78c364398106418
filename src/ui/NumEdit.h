#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <stdexcept>

enum TNumMode
{
    nmDecimal,
    nmHex,
    nmOctal,
    nmBin,
    nmZeroDec
};

// Raised (shown) when a range edit is left with a value outside its range.
class EUserRangeError : public std::runtime_error
{
public:
    explicit EUserRangeError(const QString &text) : std::runtime_error(text.toStdString()), Text(text) {}
    QString Text;
};

// A single-line edit that refuses characters a number cannot hold.
class TCustomNumEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TCustomNumEdit(QWidget *parent = nullptr);

    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment alignment);

    virtual bool IsValidChar(QChar ch);
    virtual void IncrementValue(std::int64_t delta);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    Qt::Alignment FAlignment = Qt::AlignLeft;
};

// Keeps an integer value and shows it in a fixed format. A leading "$", "%"
// or "!" types the number in hexadecimal, octal or binary; "_" joins bytes.
class TNumberEdit : public TCustomNumEdit
{
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget *parent = nullptr);

    bool IsValidChar(QChar ch) override;
    void IncrementValue(std::int64_t delta) override;
    virtual void SetValue(std::int64_t value);

    std::int64_t Value() const { return FValue; }
    std::int64_t GetValue();
    bool CheckError() const { return FConvertError; }
    TNumMode NumMode() const { return FNumMode; }
    void SetNumMode(TNumMode mode);
    bool Prefix() const { return FPrefix; }
    void SetPrefix(bool prefix) { FPrefix = prefix; }

    // Parses a text as the field does; sets `error` when a group fails.
    static std::int64_t ParseNumber(const QString &text, bool &error);

Q_SIGNALS:
    void ValueChanged(std::int64_t value);

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    std::int64_t FValue = 0;
    void ShowValue();

private:
    TNumMode FNumMode = nmDecimal;
    TNumMode FInpNumMd = nmDecimal;
    bool FPrefix = true;
    bool FConvertError = false;
};

// A number edit with a permitted range; leaving it with a value outside the
// range reports the error and keeps the focus.
class TRangeEdit : public TNumberEdit
{
    Q_OBJECT
public:
    explicit TRangeEdit(QWidget *parent = nullptr);

    void SetValue(std::int64_t value) override;
    std::int64_t MinValue() const { return FMinValue; }
    std::int64_t MaxValue() const { return FMaxValue; }
    void SetMinValue(std::int64_t value);
    void SetMaxValue(std::int64_t value);
    bool RangeCheck() const { return FRangeCheck; }
    void SetRangeCheck(bool check) { FRangeCheck = check; }
    bool RangeError() const { return FRangeError; }
    QString RangeErrorText() const;

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    std::int64_t FMinValue = 0;
    std::int64_t FMaxValue = 100;
    bool FRangeCheck = true;
    bool FRangeError = false;
    bool FReporting = false;
};

enum TUpDownAlign
{
    udLeft,
    udRight
};

// A pair of arrow buttons that steps the value of a number edit.
class TNumUpDown : public QWidget
{
    Q_OBJECT
public:
    explicit TNumUpDown(QWidget *parent = nullptr);

    TNumberEdit *Associate() const { return FAssociateObject ? FAssociate : nullptr; }
    // False with the error text when another arrow control already steps the edit.
    bool SetAssociate(TNumberEdit *edit, QString *error = nullptr);
    TUpDownAlign AlignButton() const { return FAlignButton; }
    void SetAlignButton(TUpDownAlign align);
    int Increment() const { return FIncrement; }
    void SetIncrement(int increment) { FIncrement = increment; }

    void Up();
    void Down();
    QSize sizeHint() const override { return {16, 21}; }

Q_SIGNALS:
    void OnUpClick();
    void OnDownClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect UpRect() const;
    QRect DownRect() const;
    void FollowAssociate();

    // Compared as a plain object: the edit may be half destroyed when it sends its last events.
    QPointer<QObject> FAssociateObject;
    TNumberEdit *FAssociate = nullptr;
    int FIncrement = 1;
    TUpDownAlign FAlignButton = udRight;
    bool FUpPressed = false;
    bool FDownPressed = false;
};
