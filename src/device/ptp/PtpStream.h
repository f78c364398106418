#pragma once

#include "base/SourceStream.h"
#include "device/ptp/PtpSession.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TPtpStreamLimits
{
    // A driver that cannot read parts of a file hands it over whole; a file
    // larger than this is refused rather than held in memory.
    std::uint64_t WholeFileLimit = 256u << 20;
};

// The bytes of one camera file. Read asks the camera for the next block each
// time (the camera is locked per block only, so browsing goes on between
// blocks); with a driver that reads only whole files (or a camera that
// refuses the first block), the first Read fetches the file into a buffer of
// bounded size.
class TPtpStream : public ISourceStream
{
public:
    TPtpStream(TPtpSessionPtr session, std::string folder, std::string name, std::optional<std::uint64_t> size,
               TPtpStreamLimits limits = {});

    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override;

private:
    HRESULT ReadParts(char *buffer, std::uint32_t size, std::uint32_t &bytesRead);
    HRESULT FetchWhole();
    HRESULT Fail(HRESULT result, const char *what, int libraryResult = 0);

    TPtpSessionPtr FSession;
    std::string FFolder;
    std::string FName;
    std::optional<std::uint64_t> FSize;
    TPtpStreamLimits FLimits;
    std::uint64_t FOffset = 0;
    bool FWholeFile = false;
    bool FFetched = false;
    std::vector<unsigned char> FWhole;
    HRESULT FFailure = S_OK;
};
