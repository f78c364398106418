#pragma once

#include "base/SourceStream.h"
#include "device/mtp/MtpSession.h"
#include "device/mtp/MtpTransfer.h"

#include <cstdint>
#include <memory>
#include <thread>

// The bytes of one file object. The device transaction starts with the first
// Read and runs on a thread of its own, so that the reader's thread only
// drains the buffer.
class TMtpStream : public ISourceStream
{
public:
    TMtpStream(TMtpSessionPtr session, std::uint32_t objectId, std::uint64_t size, TMtpStreamLimits limits = {});
    ~TMtpStream() override;

    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override;
    HRESULT Commit() override;

private:
    void Start();
    void Produce();
    void Stop();

    TMtpSessionPtr FSession;
    std::uint32_t FObjectId;
    std::uint64_t FSize;
    TMtpStreamLimits FLimits;
    std::shared_ptr<TMtpTransfer> FTransfer;
    std::thread FProducer;
};
