#include "core/TableValues.h"

int32_t &TInputTable::At(int index)
{
    int32_t *values[] = {&a, &b, &c, &d, &m, &n, &k, &t, &s};
    return *values[index];
}

int32_t TInputTable::At(int index) const
{
    return const_cast<TInputTable *>(this)->At(index);
}
