#include <gtest/gtest.h>

#include "math/matrix.h"

TEST(CMatrix, Products)
{
    CMatrix id(3, 3), col(3, 1), out;
    for (int i = 0; i < 3; ++i) id.Set(i, i, 1.0);
    col.Set(0, 0, 1.5);
    col.Set(1, 0, -2.0);
    col.Set(2, 0, 7.0);
    EXPECT_EQ(out.Multiply(id, col), 3);
    ASSERT_EQ(out.rows, 3);
    ASSERT_EQ(out.cols, 1);
    EXPECT_EQ(out.Get(0, 0), 1.5);
    EXPECT_EQ(out.Get(1, 0), -2.0);
    EXPECT_EQ(out.Get(2, 0), 7.0);

    // A row times a column into a matrix of another shape: resized to 1 x 1.
    CMatrix row(1, 4), col4(4, 1), dot(2, 2);
    for (int k = 0; k < 4; ++k) {
        row.Set(0, k, k + 1);
        col4.Set(k, 0, 2);
    }
    dot.Multiply(row, col4);
    EXPECT_EQ(dot.rows, 1);
    EXPECT_EQ(dot.cols, 1);
    EXPECT_EQ(dot.Get(0, 0), 20.0);
}

TEST(CMatrix, TransposeTwiceAndCopySelf)
{
    CMatrix m(4, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m.Set(i, j, i * 10 + j);
    m.Transpose();
    EXPECT_EQ(m.Get(0, 3), 30.0);
    m.Transpose();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(m.Get(i, j), i * 10 + j);
    m.Copy(m);
    EXPECT_EQ(m.Get(3, 2), 32.0);
    CMatrix c;
    c.Copy(m);
    EXPECT_EQ(c.rows, 4);
    EXPECT_EQ(c.Get(1, 2), 12.0);
}

TEST(CMatrix, ResizeZeroFills)
{
    CMatrix m(2, 2);
    m.Set(1, 1, 5);
    m.Resize(3, 2);
    EXPECT_EQ(m.rows, 3);
    EXPECT_EQ(m.Get(1, 1), 0.0);
}
