#include "transfer/writers/OutputWriter.h"

#include <cerrno>

std::uint32_t WriteFailureCode(const EWriteFileStreamError &error)
{
    const std::int32_t code = error.ErrorCode();
    return code == ENOSPC || code == EDQUOT ? CopyErrorDiskFull : CopyErrorWrite;
}

std::uint32_t TPlainWriter::Write(TWriteFileStream & /*dest*/, ICopyPhases &phases)
{
    const auto size = static_cast<std::int64_t>(phases.SourceSize());
    phases.DoProgress(acCopy, -size, false);
    return phases.CopyData(size, phases.PlainCrcWanted());
}
