#include "base/ErrorText.h"

#include "base/SourceStream.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

std::uint32_t Code(HRESULT hr)
{
    return static_cast<std::uint32_t>(hr);
}

} // namespace

TEST(ErrorText, ErrnoValuesAndTheirWrappedForms)
{
    EXPECT_EQ(ErrorCodeText(ENOSPC).toStdString(), "No space left on device (0x0000001C)");
    EXPECT_EQ(SystemErrorText(ENOENT).toStdString(), "System error: No such file or directory (0x00000002)");
    EXPECT_EQ(ErrorCodeText(Code(HResultFromErrno(EACCES))).toStdString(), "Permission denied (0x8007000D)");
    // The copy worker's composite form: facility 7 without the failure bit.
    EXPECT_EQ(SystemErrorText((7u << 16) | ENOSPC).toStdString(), "System error: No space left on device (0x0007001C)");
}

TEST(ErrorText, DeviceCodesHaveTextsOfTheirOwn)
{
    EXPECT_EQ(ErrorCodeText(Code(E_FAIL)).toStdString(), "Unspecified error (0x80004005)");
    EXPECT_EQ(ErrorCodeText(Code(E_ABORT)).toStdString(), "Operation aborted (0x80004004)");
    EXPECT_EQ(ErrorCodeText(Code(E_INVALIDARG)).toStdString(), "The parameter is incorrect (0x80070057)");
    EXPECT_FALSE(ErrorMessageText(Code(E_OUTOFMEMORY)).isEmpty());
    EXPECT_FALSE(ErrorMessageText(Code(E_UNEXPECTED)).isEmpty());
}

TEST(ErrorText, UnknownCodesKeepOnlyTheFrame)
{
    EXPECT_EQ(ErrorCodeText(0x88990011u).toStdString(), "Error code = 0x88990011");
    EXPECT_EQ(ErrorCodeText(260).toStdString(), "Error code = 0x00000104");
    EXPECT_EQ(SystemErrorText(0x88990011u).toStdString(), "System error:  (0x88990011)");
    EXPECT_TRUE(ErrorMessageText(0).isEmpty());
}
