// GUIDs: random version-4 values, their registry text and back.

#include "platform/system/Guid.h"

#include <gtest/gtest.h>

#include <set>

TEST(Guid, NewGuidsAreRandomVersionFourValues) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::optional<sys::Guid> guid = sys::coCreateGuid();
        ASSERT_TRUE(guid);
        EXPECT_EQ(guid->data3 >> 12, 4);
        EXPECT_EQ(guid->data4[0] >> 6, 2);
        seen.insert(sys::guidToString(*guid));
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(Guid, RegistryTextRoundTrips) {
    sys::Guid guid{0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    EXPECT_EQ(sys::guidToString(guid), "{01234567-89AB-CDEF-0123-456789ABCDEF}");
    EXPECT_EQ(sys::guidFromString("{01234567-89ab-cdef-0123-456789abcdef}"), guid);
    EXPECT_EQ(sys::guidFromString("01234567-89AB-CDEF-0123-456789ABCDEF"), guid);
    EXPECT_FALSE(sys::guidFromString("{01234567-89AB-CDEF-0123-456789ABCDEG}"));
    EXPECT_FALSE(sys::guidFromString("{0123456789AB-CDEF-0123-456789ABCDEF-}"));
    EXPECT_FALSE(sys::guidFromString(""));
}

TEST(Guid, TestsCanReplaceTheSource) {
    sys::setGuidSource([] { return std::optional<sys::Guid>(); });
    EXPECT_FALSE(sys::coCreateGuid());
    sys::setGuidSource({});
    EXPECT_TRUE(sys::coCreateGuid());
}
