#include "device/mtp/MtpStream.h"

#include "device/DeviceService.h"
#include "device/mtp/MtpMapping.h"
#include "device/mtp/MtpTrace.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>

TMtpStream::TMtpStream(TMtpSessionPtr session, std::uint32_t objectId, std::uint64_t size, TMtpStreamLimits limits)
    : FSession(std::move(session)), FObjectId(objectId), FSize(size), FLimits(limits)
{}

TMtpStream::~TMtpStream()
{
    Stop();
}

void TMtpStream::Start()
{
    FTransfer = std::make_shared<TMtpTransfer>(FLimits, FSize);
    FProducer = std::thread([this] { Produce(); });
}

void TMtpStream::Produce()
{
    TMtpDeviceGate::TLock lock = FSession->Gate().AcquireFor(FTransfer);
    TMtpTransfer &transfer = *FTransfer;
    // Dropped while waiting for the device: no transaction to start and cancel.
    if (transfer.Finished() || Failed(transfer.Result())) {
        FSession->Gate().ReleaseTransfer();
        transfer.Finish(HResultFromErrno(ECANCELED));
        return;
    }
    MTP_TRACE("read %u begin", FObjectId);
    const int status = FSession->Device().ReadFile(
        FObjectId, [&transfer](const unsigned char *data, std::uint32_t length) { return transfer.Put(data, length); });
    const std::vector<TMtpError> errors = FSession->Device().TakeErrors();
    MTP_TRACE("read %u end: status %d", FObjectId, status);
    FSession->Gate().ReleaseTransfer();
    lock.unlock();
    HRESULT result = S_OK;
    if (status != 0) {
        result = MtpErrorsResult(errors, E_DEVICE_IO);
        qWarning("MTP: reading object %u failed: %s", FObjectId, qUtf8Printable(MtpErrorsText(errors)));
    }
    transfer.Finish(result);
}

void TMtpStream::Stop()
{
    if (!FProducer.joinable())
        return;
    FTransfer->Cancel(HResultFromErrno(ECANCELED));
    FProducer.join();
}

HRESULT TMtpStream::Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    bytesRead = 0;
    if (!FSession->IsOpen())
        return FSession->OpenResult();
    if (!FTransfer)
        Start();
    return FTransfer->Take(static_cast<unsigned char *>(buffer), size, bytesRead);
}

HRESULT TMtpStream::Commit()
{
    MTP_TRACE("commit %u", FObjectId);
    if (!FTransfer)
        return S_OK;
    // A reader that commits before the end chose to stop: that is no failure.
    const bool complete = FTransfer->Finished();
    const HRESULT result = FTransfer->Result();
    Stop();
    return complete ? result : S_OK;
}
