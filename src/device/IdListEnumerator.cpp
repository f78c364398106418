#include "device/IdListEnumerator.h"

HRESULT TIdListEnumerator::Next(std::uint32_t count, QStringList &ids)
{
    std::uint32_t taken = 0;
    for (; taken < count && FNext < FIds.size(); ++taken)
        ids.append(FIds[FNext++]);
    return taken < count ? S_FALSE : S_OK;
}
