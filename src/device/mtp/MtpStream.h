#pragma once

#include "base/SourceStream.h"
#include "device/mtp/MtpSession.h"
#include "device/mtp/MtpTransfer.h"

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

// The bytes of one file object. The device transaction starts with the first
// Read. A file that fits into that first request is read by the reader's own
// thread straight into its buffer; a larger one runs on a thread of its own,
// so that the device keeps sending while the reader writes.
class TMtpStream : public ISourceStream
{
public:
    TMtpStream(TMtpSessionPtr session, std::uint32_t objectId, std::uint64_t size, TMtpStreamLimits limits = {});
    ~TMtpStream() override;

    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override;
    HRESULT Commit() override;

private:
    HRESULT ReadWhole(unsigned char *buffer, std::uint32_t size, std::uint32_t &bytesRead);
    HRESULT ReadRest(unsigned char *buffer, std::uint32_t size, std::uint32_t &bytesRead);
    void Start();
    void Produce();
    void Stop();

    TMtpSessionPtr FSession;
    std::uint32_t FObjectId;
    std::uint64_t FSize;
    TMtpStreamLimits FLimits;
    std::shared_ptr<TMtpTransfer> FTransfer;
    std::thread FProducer;
    // A whole file read by the first Read: what did not fit into its buffer
    // (only when the device sends more than it listed), and the outcome.
    bool FReadWhole = false;
    HRESULT FWholeResult = S_OK;
    std::vector<unsigned char> FRest;
    std::size_t FRestTaken = 0;
};
