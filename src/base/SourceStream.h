#pragma once

#include "base/Result.h"

#include <cstdint>
#include <memory>

// A readable byte stream over one source file: a device object's content, or a
// local file or memory block in tests and benchmarks. Read may be called from
// the copy worker's thread.
class ISourceStream
{
public:
    virtual ~ISourceStream() = default;

    // Reads up to size bytes into buffer and reports how many arrived; fewer
    // than size means the end was reached. A negative result is a read failure.
    virtual HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) = 0;

    // A local file whose bytes from its current position are what Read would
    // deliver, so that the kernel may copy them itself; -1 when there is none.
    virtual int LocalDescriptor() const { return -1; }
    // Ends the transfer after the last read.
    virtual HRESULT Commit() { return S_OK; }
};

using SourceStreamPtr = std::shared_ptr<ISourceStream>;
