#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "base/cformat.h"

TEST(CFormat, AtofSemantics)
{
    EXPECT_EQ(qv_atof("1.5"), 1.5);
    EXPECT_EQ(qv_atof("  -2.25e2xyz"), -225.0);
    EXPECT_EQ(qv_atof("+.5"), 0.5);
    EXPECT_EQ(qv_atof("TRUE"), 0.0);
    EXPECT_EQ(qv_atof("1e"), 1.0);
    EXPECT_EQ(qv_atof("--1"), 0.0);
    EXPECT_EQ(qv_atof(""), 0.0);
    EXPECT_EQ(qv_atof("1,5"), 1.0);
    EXPECT_TRUE(std::isinf(qv_atof("1e999")));
    EXPECT_EQ(qv_atoi("42abc"), 42);
    EXPECT_EQ(qv_atoi(" -7"), -7);
    EXPECT_EQ(qv_atoi("x"), 0);
    EXPECT_EQ(qv_atoi("99999999999"), INT32_MAX);
    const char* s = "3.25 4";
    const char* stop = nullptr;
    EXPECT_EQ(qv_strtod(s, s + 6, &stop), 3.25);
    EXPECT_EQ(stop, s + 4);
}

TEST(CFormat, IndependentOfLocale)
{
    ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr) << "fr_FR.UTF-8 locale not generated";
    EXPECT_EQ(qv_atof("1.5"), 1.5);
    EXPECT_EQ(qv_format("%10.4f|%g", 1.5, 0.25), "    1.5000|0.25");
    char buf[16];
    qv_snprintf(buf, sizeof buf, "%.2f", 2.5);
    std::setlocale(LC_ALL, "C");
    EXPECT_STREQ(buf, "2.50");
}
