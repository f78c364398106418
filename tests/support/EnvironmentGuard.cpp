#include "support/EnvironmentGuard.h"

#include <QtGlobal>

TEnvironmentGuard::TEnvironmentGuard(const char *name, const QByteArray &value)
    : FName(name), FOldValue(qgetenv(name)), FHadValue(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

TEnvironmentGuard::TEnvironmentGuard(const char *name)
    : FName(name), FOldValue(qgetenv(name)), FHadValue(qEnvironmentVariableIsSet(name))
{
    qunsetenv(name);
}

TEnvironmentGuard::~TEnvironmentGuard()
{
    if (FHadValue)
        qputenv(FName, FOldValue);
    else
        qunsetenv(FName);
}
