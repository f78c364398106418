#include "device/DeviceError.h"

#include "base/ErrorText.h"
#include "base/TextDomains.h"

EDeviceCallError::EDeviceCallError(HRESULT errorCode, const QString &message)
    : std::runtime_error(message.toStdString()), FErrorCode(errorCode), FMessage(message)
{}

QString DeviceCallMessage(HRESULT result, const QString &context)
{
    // ErrorMessageText already drops trailing blanks, control characters and full stops.
    const QString text = ErrorMessageText(static_cast<std::uint32_t>(result));
    const QString detail = text.isEmpty() ? PrgText::tr("<Unknown error code>")
                                          : text + QString::asprintf(" (0x%.8X)", static_cast<std::uint32_t>(result));
    return PrgText::tr("Error calling: ") + context + QStringLiteral(" : ") + detail;
}

void CheckDeviceCall(HRESULT result, const QString &context)
{
    if (Succeeded(result))
        return;
    throw EDeviceCallError(result, DeviceCallMessage(result, context));
}

void TErrorList::AddError(const QString &objectId, std::uint32_t errorCode)
{
    FTexts.append(objectId);
    FCodes.push_back(errorCode);
}

std::uint32_t TErrorList::GetErrorCode(int index) const
{
    if (index < 0 || index >= int(FCodes.size()))
        return 0;
    return FCodes[std::size_t(index)];
}

QString TErrorList::Strings(int index) const
{
    return FTexts.value(index);
}

void TErrorList::Clear()
{
    FTexts.clear();
    FCodes.clear();
}
