#pragma once

#include "base/SourceStream.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <vector>

// The device-call error: a device call whose failure makes an operation
// impossible. Carries the failing code and the text
// "Error calling: <context> : <system text> (0x%.8x)".
class EDeviceCallError : public std::runtime_error
{
public:
    EDeviceCallError(HRESULT errorCode, const QString &message);

    HRESULT ErrorCode() const { return FErrorCode; }
    const QString &Message() const { return FMessage; }

private:
    HRESULT FErrorCode;
    QString FMessage;
};

// The message of the device-call error for a failing code.
QString DeviceCallMessage(HRESULT result, const QString &context);

// Raises EDeviceCallError when `result` is negative.
void CheckDeviceCall(HRESULT result, const QString &context);

// Objects whose children could not be listed: identifier and failing code.
class TErrorList
{
public:
    void AddError(const QString &objectId, std::uint32_t errorCode);
    std::uint32_t GetErrorCode(int index) const;

    int Count() const { return int(FTexts.size()); }
    QString Strings(int index) const;
    const QStringList &Texts() const { return FTexts; }
    void Clear();

private:
    QStringList FTexts;
    std::vector<std::uint32_t> FCodes;
};
