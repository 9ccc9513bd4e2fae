#include "mainwin/InputSteps.h"

#include "core/Fisher.h"
#include "core/Trim.h"
#include "mainwin/InputTable.h"

#include <limits>

namespace InputMessages {
const char *const CellsOver20000 = "Величины a,b,c,d в сумме не должны превышать 20000";
const char *const NotAllFilled = "   Во ВСЕ БЕЛЫЕ поля формы или во ВСЕ ГОЛУБЫЕ\r"
                                 "должны быть введены неотрицательные целые числа";
const char *const TotalOver20000 = "Величина n не должны превышать 20000";
const char *const InconsistentMargins = "Величины m,k,n заданы некорректно";
} // namespace InputMessages

namespace {

int32_t &Value(TField field)
{
    return InputTable.At(int(field));
}

// A sum of fields is formed in 64 bits; one that does not fit the table's
// 32-bit values is left empty rather than shown wrapped.
void SetSum(clInputFields &fields, TField field, int64_t sum)
{
    SetValue(fields, field, sum > std::numeric_limits<int32_t>::max() ? -1 : int32_t(sum));
}

void Empty(clInputFields &fields, TField field)
{
    SetValue(fields, field, -1);
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
void EmptyDerived(clInputFields &fields)
{
    InputTable.b = InputTable.c = InputTable.d = InputTable.n = InputTable.t = -1;
    for (TField field : {TField::n, TField::t, TField::b, TField::c, TField::d})
        fields.SetText(field, "");
}

} // namespace

bool CharAllowed(char32_t ch)
{
    if (EditBusy)
        return true;
    return (ch >= U'0' && ch <= U'9') || ch == 8;
}

bool EnterPressed(clInputFields &fields, TField field)
{
    if (EditBusy)
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

void SetValue(clInputFields &fields, TField field, int32_t value)
{
    Value(field) = value;
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

void CellExit(clInputFields &fields, TField cell)
{
    const TCellRelations r = RelationsOf(cell);
    const int32_t x = Value(cell) = NormalizeEdit(fields, cell);
    const int32_t row = Value(r.rowPartner) = NormalizeEdit(fields, r.rowPartner);
    const int32_t column = Value(r.columnPartner) = NormalizeEdit(fields, r.columnPartner);
    if (x >= 0 && row >= 0) {
        SetSum(fields, r.rowSum, int64_t(x) + row);
        if (Value(r.otherRowSum) >= 0 && Value(r.rowSum) >= 0)
            SetSum(fields, TField::s, int64_t(Value(r.rowSum)) + Value(r.otherRowSum));
    }
    if (x >= 0 && column >= 0) {
        SetSum(fields, r.columnSum, int64_t(x) + column);
        if (Value(r.otherColumnSum) >= 0 && Value(r.columnSum) >= 0)
            SetSum(fields, TField::s, int64_t(Value(r.columnSum)) + Value(r.otherColumnSum));
    }
}

void MarginExit(clInputFields &fields, TField margin)
{
    EmptyDerived(fields);
    const int32_t value = Value(margin) = NormalizeEdit(fields, margin);
    if (InputTable.a > value)
        Empty(fields, TField::a);
    if (value > InputTable.s)
        SetValue(fields, TField::s, value);
}

void TotalExit(clInputFields &fields)
{
    const int32_t s = InputTable.s = NormalizeEdit(fields, TField::s);
    EmptyDerived(fields);
    if (InputTable.a > s)
        Empty(fields, TField::a);
    // An emptied total says nothing about the margins: they stay as they are.
    if (s < 0)
        return;
    if (s < InputTable.m)
        SetValue(fields, TField::m, s);
    if (s < InputTable.k)
        SetValue(fields, TField::k, s);
}

void FieldExit(clInputFields &fields, TField field)
{
    if (EditBusy)
        return;
    TEditBusyGuard busy;
    switch (field) {
    case TField::a:
    case TField::b:
    case TField::c:
    case TField::d: CellExit(fields, field); break;
    case TField::m:
    case TField::k: MarginExit(fields, field); break;
    case TField::s: TotalExit(fields); break;
    default: break;
    }
}

void BtnCompClick(clInputFields &fields, clMessageBox &messages,
                  const std::function<void(const TInputTable &)> &compute)
{
    TInputTable &t = InputTable;
    if (t.CellsGiven()) {
        const int64_t m = int64_t(t.a) + t.b, n = int64_t(t.c) + t.d;
        const int64_t k = int64_t(t.a) + t.c, tt = int64_t(t.b) + t.d;
        SetSum(fields, TField::m, m);
        SetSum(fields, TField::n, n);
        SetSum(fields, TField::k, k);
        SetSum(fields, TField::t, tt);
        SetSum(fields, TField::s, m + n);
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
    SetValue(fields, TField::n, t.s - t.m);
    SetValue(fields, TField::t, t.s - t.k);
    if (t.a == -1) {
        for (TField cell : {TField::a, TField::b, TField::c, TField::d})
            Empty(fields, cell);
    } else {
        int32_t a = t.a;
        if (a > t.m)
            a = t.m;
        if (a > t.k)
            a = t.k;
        // Below m + k - s the table would need a negative d.
        if (a < t.m + t.k - t.s)
            a = t.m + t.k - t.s;
        SetValue(fields, TField::a, a);
        SetValue(fields, TField::b, t.m - a);
        SetValue(fields, TField::c, t.k - a);
        SetValue(fields, TField::d, t.n - t.c);
    }
    compute(t);
}
