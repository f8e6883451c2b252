#include "math/matrix.h"

#include <cstddef>
#include <utility>

CMatrix::CMatrix(int r, int c) { Resize(r, c); }

CMatrix::~CMatrix()
{
    if (rows != 0) release();
}

void CMatrix::release()
{
    if (rows_data) {
        for (int i = 0; i < rows; ++i) delete[] rows_data[i];
        delete[] rows_data;
    }
    rows_data = nullptr;
    rows = cols = 0;
}

CMatrix& CMatrix::Resize(int r, int c)
{
    if (rows != 0) release();
    if (r <= 0 || c < 0) {
        rows = cols = 0;
        return *this;
    }
    rows_data = new double*[(size_t)r];
    for (int i = 0; i < r; ++i) rows_data[i] = new double[(size_t)c]();
    rows = r;
    cols = c;
    return *this;
}

CMatrix& CMatrix::Copy(const CMatrix& src)
{
    if (&src == this) return *this;
    Resize(src.rows, src.cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) rows_data[i][j] = src.rows_data[i][j];
    return *this;
}

void CMatrix::Transpose()
{
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < i && j < cols && i < cols && j < rows; ++j)
            std::swap(rows_data[i][j], rows_data[j][i]);
}

int CMatrix::Multiply(const CMatrix& a, const CMatrix& b)
{
    if (rows != a.rows || cols != b.cols) Resize(a.rows, b.cols);
    int inner = a.cols < b.rows ? a.cols : b.rows;   // never read past b
    for (int i = 0; i < a.rows; ++i)
        for (int j = 0; j < b.cols; ++j) {
            double s = 0.0;
            for (int k = 0; k < inner; ++k) s += a.rows_data[i][k] * b.rows_data[k][j];
            rows_data[i][j] = s;
        }
    return a.rows;
}
