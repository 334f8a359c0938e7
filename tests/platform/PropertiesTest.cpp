#include <gtest/gtest.h>
#include <sys/system_properties.h>

#include <cstring>
#include <string>

#include "HostPlatform/Properties.h"

namespace {

std::string Get(const char* szName, int* pnLength) {
    char szValue[PROP_VALUE_MAX];
    std::memset(szValue, 'z', sizeof(szValue));
    *pnLength = __system_property_get(szName, szValue);
    return szValue;
}

TEST(SystemPropertiesTest, SetReadAndClear) {
    HostPlatform::ClearSystemProperties();
    int nLength = -1;
    EXPECT_EQ("", Get("ro.build.version.sdk", &nLength));
    EXPECT_EQ(0, nLength);

    ASSERT_TRUE(HostPlatform::SetSystemProperty("ro.build.version.sdk", "28"));
    EXPECT_EQ("28", Get("ro.build.version.sdk", &nLength));
    EXPECT_EQ(2, nLength);

    ASSERT_TRUE(HostPlatform::SetSystemProperty("ro.build.version.sdk", ""));
    EXPECT_EQ("", Get("ro.build.version.sdk", &nLength));
    EXPECT_EQ(0, nLength);

    HostPlatform::ClearSystemProperty("ro.build.version.sdk");
    EXPECT_EQ("", Get("ro.build.version.sdk", &nLength));
    EXPECT_EQ(0, nLength);
}

TEST(SystemPropertiesTest, ValuesMustFitThePlatformBuffer) {
    HostPlatform::ClearSystemProperties();
    const std::string strLongest(PROP_VALUE_MAX - 1, 'v');
    ASSERT_TRUE(HostPlatform::SetSystemProperty("a.b", strLongest));
    int nLength = 0;
    EXPECT_EQ(strLongest, Get("a.b", &nLength));
    EXPECT_EQ(PROP_VALUE_MAX - 1, nLength);

    EXPECT_FALSE(HostPlatform::SetSystemProperty("a.b", std::string(PROP_VALUE_MAX, 'v')));
    EXPECT_FALSE(HostPlatform::SetSystemProperty("", "1"));
    EXPECT_FALSE(HostPlatform::SetSystemProperty("a.c", std::string("1\0"
                                                                    "2",
                                                                    3)));
    EXPECT_EQ(strLongest, Get("a.b", &nLength));
    EXPECT_EQ("", Get("a.c", &nLength));
}

TEST(SystemPropertiesTest, NullArgumentsAreHarmless) {
    char szValue[PROP_VALUE_MAX] = "x";
    EXPECT_EQ(0, __system_property_get(nullptr, szValue));
    EXPECT_EQ('\0', szValue[0]);
    EXPECT_EQ(0, __system_property_get("a", nullptr));
}

}  // namespace
