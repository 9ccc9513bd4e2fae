#include "cli/Batch.h"

#include "core/Fisher.h"
#include "core/TableStatistics.h"
#include "mainwin/InputSteps.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

const char BatchHeader[] = "a,b,c,d,point,two_sided,left,right,two_sided_minlike,midp_left,"
                           "midp_right,midp_two_sided,or_sample,or_cmle,or_low,or_high,error";

namespace {

const char *const UnreadableLine = "Строка не прочитана: нужны четыре неотрицательных целых числа";

// A line of the input as read: up to four cells, each kept as its digits.
struct TLine {
    std::array<std::string_view, 4> cells; // empty where unreadable
    bool readable = true;
};

bool IsSeparator(char ch)
{
    return ch == ' ' || ch == '\t' || ch == ',' || ch == ';' || ch == '\r';
}

bool AllDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char ch : text)
        if (ch < '0' || ch > '9')
            return false;
    return true;
}

TLine Split(std::string_view text)
{
    TLine line;
    size_t count = 0;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i]))
            ++i;
        if (i >= text.size())
            break;
        const size_t start = i;
        while (i < text.size() && !IsSeparator(text[i]))
            ++i;
        const std::string_view token = text.substr(start, i - start);
        if (count < line.cells.size()) {
            if (AllDigits(token))
                line.cells[count] = token;
            else
                line.readable = false;
        }
        ++count;
    }
    if (count != line.cells.size())
        line.readable = false;
    return line;
}

// A cell's value, or more than any total accepted when it has too many digits.
int64_t CellValue(std::string_view digits)
{
    if (digits.size() > 9)
        return int64_t(MaxGrandTotal) + 1;
    int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

class TRowWriter {
public:
    explicit TRowWriter(std::FILE *out) : m_out(out) {}

    void Text(std::string_view text) { m_row.append(text); }
    void Comma() { m_row += ','; }
    // At least 17 significant digits: enough to give back the double, and the
    // extended values keep their range (a far tail below 1e-308 stays a number).
    void Number(long double value)
    {
        char buffer[64];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
        m_row.append(buffer, result.ptr);
    }
    void OddsRatio(const TOddsRatio &ratio)
    {
        if (ratio.kind == TOddsRatio::Infinite)
            m_row += "inf";
        else if (ratio.kind == TOddsRatio::Finite)
            Number(ratio.value);
    }
    // A field quoted as CSV quotes: in double quotes, its own quotes doubled.
    void Quoted(std::string_view text)
    {
        m_row += '"';
        for (char ch : text) {
            if (ch == '"')
                m_row += '"';
            m_row += ch;
        }
        m_row += '"';
    }
    void End()
    {
        m_row += '\n';
        std::fwrite(m_row.data(), 1, m_row.size(), m_out);
        m_row.clear();
    }

private:
    std::FILE *m_out;
    std::string m_row;
};

// The cells as read and empty value fields, then the message.
void RefusedRow(TRowWriter &row, const TLine &line, const char *message)
{
    for (const std::string_view cell : line.cells) {
        row.Text(cell);
        row.Comma();
    }
    for (int field = 0; field < 12; ++field)
        row.Comma();
    row.Quoted(message);
    row.End();
}

} // namespace

int RunBatch(std::FILE *in, std::FILE *out, long double confLevel)
{
    std::fputs(BatchHeader, out);
    std::fputc('\n', out);
    TRowWriter row(out);
    TFisherDistribution dist;
    bool refused = false;
    char *buffer = nullptr;
    size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&buffer, &capacity, in)) >= 0) {
        std::string_view text(buffer, size_t(length));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.remove_suffix(1);
        const size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos || text[first] == '#')
            continue;

        const TLine line = Split(text);
        if (!line.readable) {
            RefusedRow(row, line, UnreadableLine);
            refused = true;
            continue;
        }
        std::array<int64_t, 4> cell{};
        for (size_t i = 0; i < cell.size(); ++i)
            cell[i] = CellValue(line.cells[i]);
        const int64_t total = cell[0] + cell[1] + cell[2] + cell[3];
        if (total > MaxGrandTotal) {
            RefusedRow(row, line, InputMessages::CellsOver20000);
            refused = true;
            continue;
        }
        const int32_t a = int32_t(cell[0]), b = int32_t(cell[1]), c = int32_t(cell[2]),
                      d = int32_t(cell[3]);
        if (ComputeDistribution(dist, a + b + c + d, a + b, a + c) != 0) {
            // The total of 0: refused as "Расчет" refuses it.
            RefusedRow(row, line, "Ошибка");
            refused = true;
            continue;
        }
        const TTableStatistics st = ComputeTableStatistics(dist, a, b, c, d, confLevel);
        const int32_t i = a - dist.aMin;
        for (const int32_t value : {a, b, c, d}) {
            char digits[16];
            row.Text(std::string_view(
                digits, size_t(std::to_chars(digits, digits + 16, value).ptr - digits)));
            row.Comma();
        }
        for (const long double p :
             {dist.point.Get(i), dist.twoSided.Get(i), dist.leftCumulative.Get(i), dist.Right(i),
              st.minLikelihood, st.midPLeft, st.midPRight, st.midPTwoSided}) {
            row.Number(p);
            row.Comma();
        }
        for (const TOddsRatio &ratio : {st.sample, st.estimate, st.lower, st.upper}) {
            row.OddsRatio(ratio);
            row.Comma();
        }
        row.End(); // no error
    }
    std::free(buffer);
    return refused ? 2 : 0;
}
