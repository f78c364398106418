#pragma once

#include "device/DeviceService.h"

// Hands out a listing that is already complete in batches: S_OK while a
// batch is full, S_FALSE with the last (short, possibly empty) one.
class TIdListEnumerator : public IObjectIdEnumerator
{
public:
    explicit TIdListEnumerator(QStringList ids) : FIds(std::move(ids)) {}

    HRESULT Next(std::uint32_t count, QStringList &ids) override;

private:
    QStringList FIds;
    qsizetype FNext = 0;
};
