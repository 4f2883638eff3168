#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>
TEST(Smoke, Builds) { EXPECT_EQ(CFStringGetLength(CFSTR("abc")), 3); }
