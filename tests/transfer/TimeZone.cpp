#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// The expected local times are Berlin's; ctest sets TZ, and a direct run of
// the test program gets the same zone here.
class BerlinTimeZone : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
    }
};

const ::testing::Environment *const Zone = ::testing::AddGlobalTestEnvironment(new BerlinTimeZone);

} // namespace
