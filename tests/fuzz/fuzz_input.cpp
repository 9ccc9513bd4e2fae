// Drives the input table as a person at the keyboard would, byte by byte, and
// aborts as soon as the table, its fields, the computation or the report break
// one of their promises. Each byte is one action:
//   a b c d m k s n t   click into that field (the field left runs its exit step)
//   ! ~ ?               click "Расчет", "Очистить", "Помощь"
//   \t  \n              Tab, Enter
//   "text"              paste text into the focused field, unfiltered
//   # and seven bytes    ComputeDistribution called directly (s, m, k as 16-bit numbers, a)
//   anything else       typed into the focused field through the character filter
// A field entered by Tab or Enter has its text selected, so typing replaces it;
// a clicked field gets the characters appended, as in a real edit field.

#include "core/Fisher.h"
#include "core/RunComputation.h"
#include "mainwin/InputSteps.h"
#include "report/Report.h"
#include "tests/Recording.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char *what, const std::string &detail = std::string())
{
    std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

void Check(bool condition, const char *what, const std::string &detail = std::string())
{
    if (!condition)
        Fail(what, detail);
}

// Small deviations stay readable: 1e-17 is not "0.000000".
std::string Deviation(long double x)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3Le", x);
    return text;
}

std::string TableText(const TInputTable &table)
{
    std::string text;
    for (int i = 0; i < FieldCount; ++i)
        text += std::to_string(table.At(i)) + ' ';
    return text;
}

// The focus stops of the window in Tab order; after the seven fields come the buttons.
enum TStop { StopCompute = FieldCount, StopClear, StopHelp };
constexpr int TabOrder[] = {int(TField::a), int(TField::b), int(TField::c), int(TField::d),
                            int(TField::m), int(TField::k), int(TField::s), StopCompute,
                            StopClear,      StopHelp};

bool Editable(int stop)
{
    return stop < FieldCount && stop != int(TField::n) && stop != int(TField::t);
}

class TFuzzFields : public clInputFields {
public:
    std::array<std::string, FieldCount> texts;
    TInputTable table;
    bool busy = false;
    int focus = int(TField::a);
    bool selected = false;

    std::string Text(TField field) const override { return texts[size_t(field)]; }
    void SetText(TField field, const std::string &text) override { texts[size_t(field)] = text; }
    void FocusField(TField field) override { MoveFocus(int(field), true); }
    void FocusCompute() override { MoveFocus(StopCompute, true); }

    // The field being left runs its exit step before the new control has the focus.
    void MoveFocus(int stop, bool selectAll)
    {
        if (focus != stop && Editable(focus)) {
            FieldExit(*this, table, busy, TField(focus));
            CheckFields("after an exit step");
        }
        focus = stop;
        selected = selectAll;
    }

    void Type(const std::string &text, bool filtered)
    {
        if (!Editable(focus))
            return;
        std::string &field = texts[size_t(focus)];
        for (unsigned char ch : text) {
            if (filtered && !CharAllowed(ch, busy))
                continue;
            if (selected)
                field.clear();
            selected = false;
            if (ch == 8) {
                if (!field.empty())
                    field.pop_back();
            } else {
                field += char(ch);
            }
        }
    }

    // Every field shows nothing for -1 and the plain decimal form of any other value.
    void CheckFields(const char *when) const
    {
        Check(!busy, "busy flag left set", when);
        for (int i = 0; i < FieldCount; ++i) {
            const int32_t value = table.At(i);
            if (value < -1)
                Fail("negative value other than -1", std::string(when) + ": " + TableText(table));
            const std::string shown = value < 0 ? std::string() : std::to_string(value);
            if (texts[size_t(i)] != shown)
                Fail("field text differs from its value",
                     std::string(when) + ": field " + std::to_string(i) + " shows '" +
                         texts[size_t(i)] + "', table " + TableText(table));
        }
    }
};

// A result window that keeps the first lines and, of the distribution table,
// the a each row starts with; the rest it throws away.
class TDiscardingSink : public clReportSink {
public:
    std::array<std::string, 3> head;
    int lines = 0;
    std::vector<long> rows;
    bool shown = false;
    bool boundsSet = false;
    TCriticalBounds bounds;

    void Clear() override
    {
        lines = 0;
        rows.clear();
        m_table = Before;
    }
    bool AppendLine(const std::string &line) override
    {
        if (lines < int(head.size()))
            head[size_t(lines)] = line;
        ++lines;
        // The table has a heading of two lines and ends at the sum of its column.
        if (m_table == Before && StartsWith(line, "     a     b     c     d      D"))
            m_table = Heading;
        else if (m_table == Heading)
            m_table = Rows;
        else if (m_table == Rows && StartsWith(line, "  Сумма вероятностей:"))
            m_table = After;
        else if (m_table == Rows) {
            char *end = nullptr;
            const long a = std::strtol(line.c_str(), &end, 10);
            rows.push_back(end == line.c_str() ? -1 : a);
        }
        return true;
    }
    void SetCaret(int) override {}
    void Show() override { shown = true; }
    void FocusText() override {}
    void SetCriticalBounds(const TCriticalBounds &b) override
    {
        bounds = b;
        boundsSet = true;
    }

private:
    static bool StartsWith(const std::string &line, const char *start)
    {
        return line.compare(0, std::strlen(start), start) == 0;
    }
    enum { Before, Heading, Rows, After } m_table = Before;
};

void CheckBound(int32_t bound, const TFisherDistribution &dist)
{
    if (bound != -1 && (bound < dist.aMin || bound > dist.aMax))
        Fail("critical bound not a feasible a", std::to_string(bound));
}

void CheckDistribution(const TFisherDistribution &dist, int32_t s, int32_t m, int32_t k)
{
    Check(dist.aMin == std::max(0, m + k - s) && dist.aMax == std::min(m, k), "range of a");
    Check(dist.dMin == std::max(0, s - m - k) && dist.dMax == std::min(s - m, s - k), "range of d");
    const int32_t n = dist.Count();
    Check(n == dist.aMax - dist.aMin + 1, "array length");
    Check(dist.twoSided.Length() == n && dist.leftCumulative.Length() == n,
          "arrays differ in length");
    Check(dist.mode >= dist.aMin && dist.mode <= dist.aMax, "mode outside the range");
    const std::string margins =
        " for s m k " + std::to_string(s) + ' ' + std::to_string(m) + ' ' + std::to_string(k);
    const auto at = [&](int32_t i) { return "a = " + std::to_string(dist.aMin + i) + margins; };

    // Sums may exceed 1 by their rounding, never by more.
    constexpr long double Slack = 1e-12L;
    const long double top = dist.point.Get(dist.mode - dist.aMin);
    // Summed with compensation, so that the check's own rounding stays near one
    // unit of extended precision, far below what the points are held to.
    long double total = 0, lost = 0;
    for (int32_t i = 0; i < n; ++i) {
        const long double p = dist.point.Get(i);
        if (!(p >= 0 && p <= 1))
            Fail("point probability outside [0, 1]", std::to_string(double(p)));
        // Each point is the one before times a ratio that is at least 1 up to the
        // mode and below 1 after it; rounding keeps that order, so no tolerance.
        if (p > top)
            Fail("a point probability above the one at the mode", at(i));
        const long double term = p - lost, sum = total + term;
        lost = (sum - total) - term;
        total = sum;
        const long double two = dist.twoSided.Get(i), left = dist.leftCumulative.Get(i);
        const long double right = dist.Right(i);
        // The two-sided value is a double running sum of nonnegative terms, one of
        // them p; rounding to the nearest double is monotone, so it is never below
        // p rounded so, i.e. at most half an ulp of double below p.
        if (two < (long double)double(p))
            Fail("two-sided probability below the point one", at(i));
        if (two > 1 + Slack)
            Fail("two-sided probability above 1", at(i));
        if (!(left >= 0 && left <= 1 + Slack))
            Fail("left probability out of range", at(i));
        if (!(right >= -Slack && right <= 1 + Slack))
            Fail("right probability out of range", at(i));
        Check(!std::isnan(double(two + left + right)), "NaN probability");
        // Running sums of nonnegative terms, each rounded to nearest: exactly monotone.
        if (i > 0 && left < dist.leftCumulative.Get(i - 1))
            Fail("left tail falls", at(i));
        if (i < n - 1 && right < dist.Right(i + 1))
            Fail("right tail rises", at(i));
    }
    Check(std::fabs(total - 1) <= 1e-15L, "point probabilities do not sum to 1",
          Deviation(total - 1) + margins);

    // P(A <= a) and P(A >= a) overlap in P(a) alone: together, less P(a), they
    // are every point once. Each tail is a running sum of at most n points in
    // extended precision, each step off by at most a unit (2^-64) of a partial
    // sum near or below 1: 2n units for the two; the check's three roundings of
    // values below 2 and the compensated total add at most eight more.
    const long double meetSlack = (2 * (long double)n + 8) * 0x1p-64L;
    for (int32_t i = 0; i < n; ++i) {
        const long double both = dist.leftCumulative.Get(i) + dist.Right(i) - dist.point.Get(i);
        if (!(std::fabs(both - total) <= meetSlack))
            Fail("left and right tails do not meet at P(a)",
                 Deviation(both - total) + " at " + at(i));
    }
}

// The report of dist for table into a sink without a length limit.
void CheckReport(const TFisherDistribution &dist, const TInputTable &table,
                 const TCriticalBounds &bounds)
{
    TDiscardingSink sink;
    Check(BuildReport(sink, dist, table, bounds) == 0,
          "report refused a line of an unlimited window");
    Check(sink.shown && sink.boundsSet, "report not shown");
    Check(sink.head[0] == "Сумма частот в первой строке m = " + std::to_string(table.m) &&
              sink.head[1] == "Сумма частот в первом столбце k = " + std::to_string(table.k) &&
              sink.head[2] == "Всего n = " + std::to_string(table.s),
          "report head differs from the table", sink.head[0]);
    Check(sink.lines >= 20 + dist.Count(), "report too short");
    Check(sink.rows.size() == size_t(dist.Count()),
          "report has not one distribution row per feasible a",
          std::to_string(sink.rows.size()) + " rows for " + std::to_string(dist.Count()));
    for (size_t j = 0; j < sink.rows.size(); ++j)
        if (sink.rows[j] != dist.aMin + long(j))
            Fail("distribution row of another a",
                 std::to_string(sink.rows[j]) + " in row " + std::to_string(j));
    for (int level = 0; level < 3; ++level) {
        CheckBound(sink.bounds.twoLower[level], dist);
        CheckBound(sink.bounds.twoUpper[level], dist);
        CheckBound(sink.bounds.leftBound[level], dist);
        CheckBound(sink.bounds.rightBound[level], dist);
    }
}

// The result of the last computation, as the main window keeps it.
TFisherDistribution Distribution;

class TCheckingViews : public clResultViews {
public:
    explicit TCheckingViews(const TInputTable &table) : m_table(table) {}
    bool BuildReport(const TCriticalBounds &bounds) override
    {
        const int32_t s = m_table.s, m = m_table.m, k = m_table.k;
        Check(s >= 1 && s <= MaxGrandTotal && m >= 0 && k >= 0 && m <= s && k <= s,
              "computation succeeded outside the bounds", TableText(m_table));
        CheckDistribution(Distribution, s, m, k);
        CheckReport(Distribution, m_table, bounds);
        return true;
    }
    void ShowChart(const TCriticalBounds &) override {}

private:
    const TInputTable &m_table;
};

// ComputeDistribution called directly with any margins: it refuses exactly
// what it promises to, keeps the previous result when it does, and otherwise
// gives a distribution whose report holds together.
void ComputeDirectly(int32_t s, int32_t m, int32_t k, uint8_t aChoice)
{
    const int32_t expected = s < 1 || m < 0 || k < 0 || s < m || s < k ? 1
                             : s > MaxGrandTotal                       ? 2
                                                                       : 0;
    const TFisherDistribution &dist = Distribution;
    const int32_t count = dist.Count(), aMin = dist.aMin, mode = dist.mode;
    const long double first = dist.point.Get(0);
    const int32_t status = ComputeDistribution(Distribution, s, m, k);
    Check(status == expected, "unexpected status",
          std::to_string(status) + " for s m k " + std::to_string(s) + ' ' + std::to_string(m) +
              ' ' + std::to_string(k));
    if (status != 0) {
        Check(dist.Count() == count && dist.aMin == aMin && dist.mode == mode &&
                  dist.point.Get(0) == first,
              "a refusal changed the previous result");
        return;
    }
    CheckDistribution(dist, s, m, k);
    TInputTable table;
    table.m = m;
    table.k = k;
    table.s = s;
    table.n = s - m;
    table.t = s - k;
    CheckReport(dist, table, ComputeCriticalBounds(dist));
    // The same margins with an observed table somewhere in the feasible range.
    table.a = dist.aMin + aChoice % dist.Count();
    table.b = m - table.a;
    table.c = k - table.a;
    table.d = table.n - table.c;
    CheckReport(dist, table, ComputeCriticalBounds(dist));
}

// What "Расчет" hands to the driver: a complete, consistent table within the limit.
void Compute(const TInputTable &t)
{
    Check(t.s <= MaxGrandTotal, "driver called with a total above 20000", TableText(t));
    Check(t.m >= 0 && t.k >= 0 && t.s >= 0, "driver called with empty margins", TableText(t));
    Check(t.n == t.s - t.m && t.t == t.s - t.k, "derived sums not completed", TableText(t));
    if (t.CellsGiven()) {
        Check(t.a + t.b == t.m && t.c + t.d == t.n && t.a + t.c == t.k && t.b + t.d == t.t,
              "cells disagree with the margins", TableText(t));
    } else {
        Check(t.a == -1 && t.b == -1 && t.c == -1 && t.d == -1, "partial cells reach the driver",
              TableText(t));
    }

    TCountingCursor cursor;
    TRecordingMessageBox messages;
    TCheckingViews views(t);
    const int32_t status = RunComputation(Distribution, t.s, t.m, t.k, cursor, messages, views);
    Check(cursor.depth == 0, "busy cursor left on");
    Check(status == 0 || status == 1, "unexpected status", std::to_string(status));
    Check(status == 0 || t.s < 1, "valid margins refused", TableText(t));
    Check((status == 0) == messages.shown.empty(), "refusal and message disagree");
}

void PressCompute(TFuzzFields &fields)
{
    TRecordingMessageBox messages;
    BtnCompClick(fields, fields.table, messages, Compute);
    fields.CheckFields("after Расчет");
}

void PressClear(TFuzzFields &fields)
{
    for (int i = 0; i < FieldCount; ++i)
        fields.SetText(TField(i), "");
    fields.table.ClearAll();
}

int FieldOf(char ch)
{
    switch (ch) {
    case 'a': return int(TField::a);
    case 'b': return int(TField::b);
    case 'c': return int(TField::c);
    case 'd': return int(TField::d);
    case 'm': return int(TField::m);
    case 'n': return int(TField::n);
    case 'k': return int(TField::k);
    case 't': return int(TField::t);
    case 's': return int(TField::s);
    default: return -1;
    }
}

int NextInTabOrder(int stop)
{
    constexpr int count = int(sizeof TabOrder / sizeof TabOrder[0]);
    for (int i = 0; i < count; ++i)
        if (TabOrder[i] == stop)
            return TabOrder[(i + 1) % count];
    return TabOrder[0]; // from n or t, Tab goes on with the first stop
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TFuzzFields fields;
    int computations = 0;

    for (size_t i = 0; i < size; ++i) {
        const char ch = char(data[i]);
        if (const int field = FieldOf(ch); field >= 0) {
            fields.MoveFocus(field, false);
        } else if (ch == '\t') {
            fields.MoveFocus(NextInTabOrder(fields.focus), true);
        } else if (ch == '\n') {
            if (Editable(fields.focus)) {
                const int before = fields.focus;
                if (EnterPressed(fields, TField(fields.focus), fields.busy))
                    Check(fields.focus != before, "Enter did not move the focus");
            } else if (fields.focus == StopCompute && computations++ < 4) {
                PressCompute(fields);
            } else if (fields.focus == StopClear) {
                PressClear(fields);
            }
        } else if (ch == '!' || ch == '~' || ch == '?') {
            fields.MoveFocus(ch == '!' ? StopCompute : ch == '~' ? StopClear : StopHelp, false);
            if (ch == '!' && computations++ < 4)
                PressCompute(fields);
            else if (ch == '~')
                PressClear(fields);
        } else if (ch == '#' && i + 7 < size) {
            // Seven bytes: s, m, k as signed 16-bit numbers and the choice of a.
            const auto number = [&](size_t at) {
                return int32_t(int16_t(data[at] | data[at + 1] << 8));
            };
            if (computations++ < 4)
                ComputeDirectly(number(i + 1), number(i + 3), number(i + 5), data[i + 7]);
            i += 7;
        } else if (ch == '"') {
            size_t end = i + 1;
            while (end < size && data[end] != '"')
                ++end;
            fields.Type(std::string(reinterpret_cast<const char *>(data) + i + 1, end - i - 1),
                        false);
            i = end;
        } else {
            fields.Type(std::string(1, ch), true);
        }
    }
    // Leaving the window's last field settles it like any other exit.
    fields.MoveFocus(StopHelp, false);
    return 0;
}
