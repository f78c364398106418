#include "device/ptp/PtpStream.h"

#include "device/ptp/PtpMapping.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>

TPtpStream::TPtpStream(TPtpSessionPtr session, std::string folder, std::string name, std::optional<std::uint64_t> size,
                       TPtpStreamLimits limits)
    : FSession(std::move(session)), FFolder(std::move(folder)), FName(std::move(name)), FSize(size), FLimits(limits)
{}

HRESULT TPtpStream::Fail(HRESULT result, const char *what, int libraryResult)
{
    FFailure = result;
    std::string text;
    if (libraryResult != 0)
        text = FSession->ResultText(libraryResult);
    qWarning("PTP: reading %s/%s failed: %s%s%s", FFolder.c_str(), FName.c_str(), what, text.empty() ? "" : ": ",
             text.c_str());
    return result;
}

HRESULT TPtpStream::Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    bytesRead = 0;
    if (Failed(FFailure))
        return FFailure;
    if (!FSession->IsOpen())
        return FSession->OpenResult();
    auto *target = static_cast<char *>(buffer);
    if (!FWholeFile) {
        const HRESULT result = ReadParts(target, size, bytesRead);
        if (!FWholeFile || Failed(result))
            return result;
    }
    if (!FFetched) {
        FFetched = true;
        FFailure = FetchWhole();
        if (Failed(FFailure))
            return FFailure;
    }
    const std::uint64_t left = FWhole.size() - std::min<std::uint64_t>(FOffset, FWhole.size());
    const std::uint32_t piece = std::uint32_t(std::min<std::uint64_t>(left, size - bytesRead));
    if (piece > 0) // an empty file has no buffer to copy from
        std::memcpy(target + bytesRead, FWhole.data() + FOffset, piece);
    FOffset += piece;
    bytesRead += piece;
    return S_OK;
}

HRESULT TPtpStream::ReadParts(char *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    while (bytesRead < size) {
        // The listed size ends the file: asking past it is an error to some drivers.
        if (FSize && FOffset >= *FSize)
            break;
        std::uint64_t asked = size - bytesRead;
        if (FSize)
            asked = std::min<std::uint64_t>(asked, *FSize - FOffset);
        std::uint64_t got = asked;
        int result = ptpOk;
        {
            std::unique_lock lock = FSession->Lock();
            result = FSession->Camera().ReadPart(FFolder, FName, FOffset, buffer + bytesRead, got);
        }
        // Some cameras announce partial reads and then refuse them: such a
        // file is read whole rather than not at all.
        if (FOffset == 0 && (result == ptpNotSupported || result == ptpCameraError || result == ptpBadParameters ||
                             result == ptpError)) {
            if (result != ptpNotSupported)
                qWarning("PTP: reading a part of %s/%s failed (%s); reading the file whole", FFolder.c_str(),
                         FName.c_str(), FSession->ResultText(result).c_str());
            FWholeFile = true;
            return S_OK;
        }
        if (result < ptpOk)
            return Fail(PtpErrorResult(result), "the camera refused a block", result);
        if (got > asked)
            return Fail(HResultFromErrno(EPROTO), "the driver reported more bytes than asked for");
        if (got == 0) {
            // A file that ends before its listed size is not the camera's file.
            if (FSize && FOffset < *FSize)
                return Fail(HResultFromErrno(EIO), "the camera ended the file before its listed size");
            break;
        }
        FOffset += got;
        bytesRead += std::uint32_t(got);
    }
    return S_OK;
}

HRESULT TPtpStream::FetchWhole()
{
    const std::uint64_t limit = FLimits.WholeFileLimit;
    if (FSize && *FSize > limit)
        return Fail(HResultFromErrno(EFBIG), "the camera's driver reads whole files only, and this one is larger "
                                             "than the limit for a file held in memory");
    if (FSize)
        FWhole.reserve(std::size_t(*FSize));
    bool tooLarge = false;
    int result = ptpOk;
    {
        std::unique_lock lock = FSession->Lock();
        result = FSession->Camera().ReadWhole(FFolder, FName, [&](const unsigned char *data, std::uint64_t length) {
            if (length > limit - FWhole.size()) {
                tooLarge = true;
                return false;
            }
            FWhole.insert(FWhole.end(), data, data + length);
            return true;
        });
    }
    if (tooLarge) {
        FWhole = {};
        return Fail(HResultFromErrno(EFBIG), "the camera sent more than the limit for a file held in memory");
    }
    if (result < ptpOk) {
        FWhole = {};
        return Fail(PtpErrorResult(result), "the camera refused the file", result);
    }
    if (FSize && FWhole.size() < *FSize)
        return Fail(HResultFromErrno(EIO), "the camera ended the file before its listed size");
    return S_OK;
}
