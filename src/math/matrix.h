// Small dense matrix of doubles; every row is a separate zero-filled block.
#pragma once

class CMatrix {
public:
    double** rows_data = nullptr;
    int cols = 0;
    int rows = 0;

    CMatrix() = default;
    CMatrix(int r, int c);
    virtual ~CMatrix();
    CMatrix(const CMatrix&) = delete;
    CMatrix& operator=(const CMatrix&) = delete;

    virtual void Print() const {}
    virtual void Read() {}

    CMatrix& Resize(int r, int c);
    CMatrix& Copy(const CMatrix& src);
    double Get(int i, int j) const { return rows_data[i][j]; }
    void Set(int i, int j, double v) { rows_data[i][j] = v; }
    void Transpose();
    // this = a x b; returns a's row count. The result must be neither a nor b.
    int Multiply(const CMatrix& a, const CMatrix& b);

private:
    void release();
};
