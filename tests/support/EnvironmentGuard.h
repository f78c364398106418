#pragma once

#include <QByteArray>

// Sets (or unsets) one environment variable for a scope and puts the old
// state back on every way out, a failed ASSERT included.
class TEnvironmentGuard
{
public:
    TEnvironmentGuard(const char *name, const QByteArray &value);
    // Unsets the variable for the scope.
    explicit TEnvironmentGuard(const char *name);
    ~TEnvironmentGuard();
    TEnvironmentGuard(const TEnvironmentGuard &) = delete;
    TEnvironmentGuard &operator=(const TEnvironmentGuard &) = delete;

private:
    const char *FName;
    QByteArray FOldValue;
    bool FHadValue;
};
