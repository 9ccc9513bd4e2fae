#include "core/Matr.h"

#include <algorithm>

clLDVector::~clLDVector()
{
    Clear();
}

void clLDVector::Clear()
{
    delete[] m_storage;
    m_storage = nullptr;
    m_length = 0;
    m_capacity = 0;
}

int32_t clLDVector::Reset(int32_t n)
{
    if (n < 0)
        return 1;
    Clear();
    const int32_t capacity = CapacityFor(n);
    m_storage = new long double[capacity]();
    m_capacity = capacity;
    m_length = n;
    return 0;
}

void clLDVector::SetLength(int32_t n)
{
    if (n == m_length)
        return;
    if (n < 0)
        n = 0;
    if (n < m_length) {
        // The tail keeps its storage; it is zeroed again when it comes back into use.
        m_length = n;
        return;
    }
    if (n <= m_capacity) {
        std::fill(m_storage + m_length, m_storage + n, 0.0L);
        m_length = n;
        return;
    }
    const int32_t capacity = CapacityFor(n);
    long double *block = new long double[capacity];
    std::copy(m_storage, m_storage + m_length, block);
    std::fill(block + m_length, block + n, 0.0L);
    delete[] m_storage;
    m_storage = block;
    m_capacity = capacity;
    m_length = n;
}

void clLDVector::Append(long double v)
{
    Put(m_length, v);
}

long double clLDVector::Sum() const
{
    long double sum = 0.0L;
    for (int32_t i = 0; i < m_length; ++i)
        sum += m_storage[i];
    return sum;
}
