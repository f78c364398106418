#include "device/mtp/MtpStream.h"

#include "device/DeviceService.h"
#include "device/mtp/MtpMapping.h"
#include "device/mtp/MtpTrace.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
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
    MTP_TRACE("read %u end: status %d, %llu bytes straight to the reader, %llu queued", FObjectId, status,
              static_cast<unsigned long long>(transfer.DirectBytes()),
              static_cast<unsigned long long>(transfer.QueuedBytes()));
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
    unsigned char *bytes = static_cast<unsigned char *>(buffer);
    if (FReadWhole)
        return ReadRest(bytes, size, bytesRead);
    if (!FTransfer) {
        // A thread per small file would cost more than the file itself.
        // Readers commonly ask for exactly the listed size.
        if (FSize <= size)
            return ReadWhole(bytes, size, bytesRead);
        Start();
    }
    return FTransfer->Take(bytes, size, bytesRead);
}

HRESULT TMtpStream::ReadWhole(unsigned char *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    using std::chrono::steady_clock;
    std::size_t filled = 0;
    bool overflow = false;
    bool silent = false;
    steady_clock::time_point lastBytes = steady_clock::now();
    const auto sink = [&](const unsigned char *data, std::uint32_t length) {
        // No bytes for too long: the same limit as the threaded read, here
        // checked as each piece arrives (libusb ends a silent transfer).
        const steady_clock::time_point now = steady_clock::now();
        if (now - lastBytes > FLimits.DeviceSilence) {
            silent = true;
            return false;
        }
        lastBytes = now;
        const std::size_t piece = std::min<std::size_t>(length, size - filled);
        std::memcpy(buffer + filled, data, piece);
        filled += piece;
        // More than the listing said: kept, but never more than the buffer
        // limit of a threaded read, which takes over beyond it.
        if (piece < length) {
            if (FRest.size() + (length - piece) > FLimits.BufferCapacity) {
                overflow = true;
                return false;
            }
            FRest.insert(FRest.end(), data + piece, data + length);
        }
        return true;
    };
    int status = 0;
    std::vector<TMtpError> errors;
    {
        TMtpDeviceGate::TLock lock = FSession->Gate().Acquire();
        MTP_TRACE("read %u begin, whole", FObjectId);
        status = FSession->Device().ReadFile(FObjectId, sink);
        errors = FSession->Device().TakeErrors();
        MTP_TRACE("read %u end: status %d", FObjectId, status);
    }
    if (overflow) {
        qWarning("MTP: object %u is larger than listed; reading it again", FObjectId);
        FRest.clear();
        Start();
        return FTransfer->Take(buffer, size, bytesRead);
    }
    FReadWhole = true;
    if (silent) {
        FWholeResult = HResultFromErrno(ETIMEDOUT);
    } else if (status != 0) {
        FWholeResult = MtpErrorsResult(errors, E_DEVICE_IO);
        qWarning("MTP: reading object %u failed: %s", FObjectId, qUtf8Printable(MtpErrorsText(errors)));
    }
    if (Failed(FWholeResult)) {
        FRest.clear();
        return FWholeResult;
    }
    bytesRead = std::uint32_t(filled);
    return S_OK;
}

HRESULT TMtpStream::ReadRest(unsigned char *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    if (Failed(FWholeResult))
        return FWholeResult;
    const std::size_t piece = std::min<std::size_t>(size, FRest.size() - FRestTaken);
    if (piece > 0)
        std::memcpy(buffer, FRest.data() + FRestTaken, piece);
    FRestTaken += piece;
    bytesRead = std::uint32_t(piece);
    return S_OK;
}

HRESULT TMtpStream::Commit()
{
    MTP_TRACE("commit %u", FObjectId);
    if (FReadWhole)
        return FWholeResult;
    if (!FTransfer)
        return S_OK;
    // A reader that commits before the end chose to stop: that is no failure.
    const bool complete = FTransfer->Finished();
    const HRESULT result = FTransfer->Result();
    Stop();
    return complete ? result : S_OK;
}
