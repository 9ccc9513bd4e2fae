#pragma once

#include <cstdint>

// Growable array of extended-precision values indexed from 0. Reads outside
// the used range give 0; storage grows in steps of 32 elements.
class clLDVector {
public:
    clLDVector() = default;
    ~clLDVector();
    clLDVector(const clLDVector &) = delete;
    clLDVector &operator=(const clLDVector &) = delete;

    void Clear();
    int32_t Reset(int32_t n);
    void SetLength(int32_t n);
    // Inline: the distribution reads and writes every element in its inner loops.
    long double Get(int32_t i) const { return i < 0 || i >= m_length ? 0.0L : m_storage[i]; }
    void Put(int32_t i, long double v)
    {
        if (i < 0)
            return;
        if (i >= m_length)
            SetLength(i + 1);
        m_storage[i] = v;
    }
    void Append(long double v);
    long double Sum() const;

    int32_t Length() const { return m_length; }
    int32_t Capacity() const { return m_capacity; }

    // The next multiple of 32 strictly above n.
    static int32_t CapacityFor(int32_t n) { return n / 32 * 32 + 32; }

private:
    long double *m_storage = nullptr;
    int32_t m_length = 0;
    int32_t m_capacity = 0;
};
