#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

// Errors of file streams: the INI engine raises them, callers show Message().
// Code() is the platform error code (errno) behind the failure, 0 when none.
class EStreamError : public std::exception
{
public:
    explicit EStreamError(QString message, std::uint32_t code = 0)
        : FMessage(std::move(message)), FCode(code), FWhat(FMessage.toStdString())
    {}

    const QString &Message() const { return FMessage; }
    std::uint32_t Code() const { return FCode; }
    const char *what() const noexcept override { return FWhat.c_str(); }

private:
    QString FMessage;
    std::uint32_t FCode;
    std::string FWhat;
};

// "Cannot open file "%s". %s"
class EFOpenError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

// "Cannot create file "%s". %s"
class EFCreateError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

// "Stream write error" while saving; "Error writing to "%s"" from TUnicodeIniFile.
class EWriteError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};
