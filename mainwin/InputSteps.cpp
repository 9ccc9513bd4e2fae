#include "mainwin/InputSteps.h"

#include "core/Fisher.h"
#include "core/Trim.h"

#include <limits>

namespace {

// A sum of fields is formed in 64 bits; one that does not fit the table's
// 32-bit values is left empty rather than shown wrapped.
void SetSum(clInputFields &fields, TInputTable &table, TField field, int64_t sum)
{
    SetValue(fields, table, field, sum > std::numeric_limits<int32_t>::max() ? -1 : int32_t(sum));
}

void Empty(clInputFields &fields, TInputTable &table, TField field)
{
    SetValue(fields, table, field, -1);
}

// Parses an optionally signed decimal integer; anything else, or a value
// beyond 32 bits, gives 0.
int32_t ParseInteger(const std::string &text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return 0;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min())
        return 0;
    return int32_t(value);
}

struct TCellRelations {
    TField rowPartner, columnPartner;
    TField rowSum, otherRowSum;
    TField columnSum, otherColumnSum;
};

TCellRelations RelationsOf(TField cell)
{
    switch (cell) {
    case TField::a: return {TField::b, TField::c, TField::m, TField::n, TField::k, TField::t};
    case TField::b: return {TField::a, TField::d, TField::m, TField::n, TField::t, TField::k};
    case TField::c: return {TField::d, TField::a, TField::n, TField::m, TField::k, TField::t};
    default: return {TField::c, TField::b, TField::n, TField::m, TField::t, TField::k};
    }
}

// Switching to margin input: the cells b, c, d and the derived sums go.
void EmptyDerived(clInputFields &fields, TInputTable &table)
{
    table.b = table.c = table.d = table.n = table.t = -1;
    for (TField field : {TField::n, TField::t, TField::b, TField::c, TField::d})
        fields.SetText(field, "");
}

} // namespace

bool CharAllowed(char32_t ch, bool busy)
{
    if (busy)
        return true;
    return (ch >= U'0' && ch <= U'9') || ch == 8;
}

bool EnterPressed(clInputFields &fields, TField field, bool busy)
{
    if (busy)
        return false;
    switch (field) {
    case TField::a: fields.FocusField(TField::b); return true;
    case TField::b: fields.FocusField(TField::c); return true;
    case TField::c: fields.FocusField(TField::d); return true;
    case TField::m: fields.FocusField(TField::k); return true;
    case TField::k: fields.FocusField(TField::s); return true;
    case TField::d:
    case TField::s: fields.FocusCompute(); return true;
    default: return false;
    }
}

void SetValue(clInputFields &fields, TInputTable &table, TField field, int32_t value)
{
    table.At(int(field)) = value;
    fields.SetText(field, value < 0 ? std::string() : std::to_string(value));
}

int32_t NormalizeEdit(clInputFields &fields, TField field)
{
    const std::string trimmed = TrimControls(fields.Text(field));
    fields.SetText(field, trimmed);
    if (trimmed.empty())
        return -1;
    const int32_t value = ParseInteger(trimmed);
    if (value < 0) {
        fields.SetText(field, "");
        return -1;
    }
    fields.SetText(field, std::to_string(value));
    return value;
}

void CellExit(clInputFields &fields, TInputTable &table, TField cell)
{
    const auto value = [&table](TField field) -> int32_t & { return table.At(int(field)); };
    const TCellRelations r = RelationsOf(cell);
    const int32_t x = value(cell) = NormalizeEdit(fields, cell);
    const int32_t row = value(r.rowPartner) = NormalizeEdit(fields, r.rowPartner);
    const int32_t column = value(r.columnPartner) = NormalizeEdit(fields, r.columnPartner);
    if (x >= 0 && row >= 0) {
        SetSum(fields, table, r.rowSum, int64_t(x) + row);
        if (value(r.otherRowSum) >= 0 && value(r.rowSum) >= 0)
            SetSum(fields, table, TField::s, int64_t(value(r.rowSum)) + value(r.otherRowSum));
    }
    if (x >= 0 && column >= 0) {
        SetSum(fields, table, r.columnSum, int64_t(x) + column);
        if (value(r.otherColumnSum) >= 0 && value(r.columnSum) >= 0)
            SetSum(fields, table, TField::s, int64_t(value(r.columnSum)) + value(r.otherColumnSum));
    }
}

void MarginExit(clInputFields &fields, TInputTable &table, TField margin)
{
    EmptyDerived(fields, table);
    const int32_t value = table.At(int(margin)) = NormalizeEdit(fields, margin);
    if (table.a > value)
        Empty(fields, table, TField::a);
    if (value > table.s)
        SetValue(fields, table, TField::s, value);
}

void TotalExit(clInputFields &fields, TInputTable &table)
{
    const int32_t s = table.s = NormalizeEdit(fields, TField::s);
    EmptyDerived(fields, table);
    if (table.a > s)
        Empty(fields, table, TField::a);
    // An emptied total says nothing about the margins: they stay as they are.
    if (s < 0)
        return;
    if (s < table.m)
        SetValue(fields, table, TField::m, s);
    if (s < table.k)
        SetValue(fields, table, TField::k, s);
}

void FieldExit(clInputFields &fields, TInputTable &table, bool &busy, TField field)
{
    if (busy)
        return;
    const TEditBusyGuard guard(busy);
    switch (field) {
    case TField::a:
    case TField::b:
    case TField::c:
    case TField::d: CellExit(fields, table, field); break;
    case TField::m:
    case TField::k: MarginExit(fields, table, field); break;
    case TField::s: TotalExit(fields, table); break;
    default: break;
    }
}

void BtnCompClick(clInputFields &fields, TInputTable &table, clMessageBox &messages,
                  const std::function<void(const TInputTable &)> &compute)
{
    TInputTable &t = table;
    if (t.CellsGiven()) {
        const int64_t m = int64_t(t.a) + t.b, n = int64_t(t.c) + t.d;
        const int64_t k = int64_t(t.a) + t.c, tt = int64_t(t.b) + t.d;
        SetSum(fields, t, TField::m, m);
        SetSum(fields, t, TField::n, n);
        SetSum(fields, t, TField::k, k);
        SetSum(fields, t, TField::t, tt);
        SetSum(fields, t, TField::s, m + n);
        if (m + n > MaxGrandTotal) {
            messages.Show(InputMessages::CellsOver20000, "", TMsgIcon::Information);
            return;
        }
        compute(t);
        return;
    }

    if (t.m < 0 || t.k < 0 || t.s < 0) {
        messages.Show(InputMessages::NotAllFilled, "", TMsgIcon::Stop);
        return;
    }
    if (t.s > MaxGrandTotal) {
        messages.Show(InputMessages::TotalOver20000, "", TMsgIcon::Information);
        return;
    }
    if (t.s < t.m || t.s < t.k) {
        messages.Show(InputMessages::InconsistentMargins, "", TMsgIcon::Stop);
        return;
    }
    SetValue(fields, t, TField::n, t.s - t.m);
    SetValue(fields, t, TField::t, t.s - t.k);
    if (t.a == -1) {
        for (TField cell : {TField::a, TField::b, TField::c, TField::d})
            Empty(fields, t, cell);
    } else {
        int32_t a = t.a;
        if (a > t.m)
            a = t.m;
        if (a > t.k)
            a = t.k;
        // Below m + k - s the table would need a negative d.
        if (a < t.m + t.k - t.s)
            a = t.m + t.k - t.s;
        SetValue(fields, t, TField::a, a);
        SetValue(fields, t, TField::b, t.m - a);
        SetValue(fields, t, TField::c, t.k - a);
        SetValue(fields, t, TField::d, t.n - t.c);
    }
    compute(t);
}
