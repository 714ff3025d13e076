#include "model/CSharedString.h"

#include <gtest/gtest.h>

namespace {

TEST(CSharedString, CopiesBehaveAsValues)
{
    CSharedString a("glass");
    CSharedString b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(b.view(), "glass");
    a = CSharedString("brick");
    EXPECT_EQ(b, "glass");
    EXPECT_EQ(a, "brick");
    CSharedString c = std::move(a);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(c.str(), "brick");
    c = c;
    EXPECT_EQ(c, "brick");
}

TEST(CSharedString, EqualityIsByContentAndEmptyIsEmpty)
{
    EXPECT_EQ(CSharedString("x"), CSharedString(std::string("x")));
    EXPECT_FALSE(CSharedString("x") == CSharedString("X"));
    EXPECT_EQ(CSharedString(), CSharedString(""));
    EXPECT_STREQ(CSharedString().c_str(), "");
    const char withZero[] = {'a', '\0', 'b'};
    CSharedString z(std::string_view(withZero, 3));
    EXPECT_EQ(z.size(), 3u);
}

} // namespace
