#include "cli/Batch.h"

#include "core/ExactIntervals.h"
#include "core/Fisher.h"
#include "core/InputMessages.h"
#include "core/RiskMeasures.h"
#include "core/TableStatistics.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include <unistd.h>

const char BatchHeader[] = "a,b,c,d,point,two_sided,left,right,two_sided_minlike,midp_left,"
                           "midp_right,midp_two_sided,or_sample,or_cmle,or_low,or_high,error,"
                           "conf_level,two_sided_central,or_low_minlike,or_high_minlike,"
                           "two_sided_blaker,or_low_blaker,or_high_blaker,risk_difference,rd_low,"
                           "rd_high,risk_ratio,rr_low,rr_high";

namespace {

const char *const UnreadableLine = "Строка не прочитана: нужны четыре неотрицательных целых числа";
const char *const LongLine = "Строка не прочитана: длиннее 4096 байт";

// The most of a line held: a longer one is read through to its end unheld.
constexpr size_t MaxLine = 4096;
// The most of a cell an over-long line echoes.
constexpr size_t MaxEcho = 20;

// Lines ended by LF, CR LF or a lone CR, at most MaxLine bytes of each held.
// Reads whatever has arrived, and calls beforeWait before each read that may
// wait for more: a program that sends a line and waits for its row gets it.
class TLineReader {
public:
    TLineReader(std::FILE *in, std::function<bool()> beforeWait)
        : m_fd(fileno(in)), m_beforeWait(std::move(beforeWait))
    {
    }

    // The next line; false at the end of the input, on a read error (Error())
    // or when beforeWait refused.
    bool Next()
    {
        m_length = 0;
        m_long = false;
        bool any = false;
        const bool first = m_first;
        m_first = false;
        for (;;) {
            if (m_pos == m_end && !Fill())
                return any && m_error == 0 && !m_stopped;
            const char ch = m_input[m_pos++];
            if (m_afterCr) {
                m_afterCr = false;
                if (ch == '\n')
                    continue; // the LF of a CR LF
            }
            if (ch == '\n')
                return true;
            if (ch == '\r') {
                m_afterCr = true;
                return true;
            }
            any = true;
            if (m_length < MaxLine)
                m_line[m_length++] = ch;
            else
                m_long = true;
            // A spreadsheet's UTF-8 byte-order mark at the start of the input.
            if (first && m_length == 3 && std::string_view(m_line.data(), 3) == "\xEF\xBB\xBF")
                m_length = 0;
        }
    }
    // The line without its end; only its first MaxLine bytes when Long().
    std::string_view Text() const { return std::string_view(m_line.data(), m_length); }
    bool Long() const { return m_long; }
    // The errno of a failed read, 0 when the input ended or beforeWait refused.
    int Error() const { return m_error; }

private:
    bool Fill()
    {
        if (m_ended)
            return false; // a terminal would wait for a second end
        if (m_fd < 0) {
            m_error = EBADF;
            return false;
        }
        if (!m_beforeWait()) {
            m_stopped = true;
            return false;
        }
        ssize_t got;
        do
            got = read(m_fd, m_input.data(), m_input.size());
        while (got < 0 && errno == EINTR);
        if (got < 0)
            m_error = errno;
        m_pos = 0;
        m_end = got > 0 ? size_t(got) : 0;
        m_ended = got <= 0;
        return got > 0;
    }

    int m_fd;
    std::function<bool()> m_beforeWait;
    std::array<char, 65536> m_input;
    size_t m_pos = 0, m_end = 0;
    std::array<char, MaxLine> m_line;
    size_t m_length = 0;
    bool m_long = false;
    bool m_afterCr = false;
    bool m_first = true;
    bool m_stopped = false;
    bool m_ended = false;
    int m_error = 0;
};

// A line of the input as read: up to four cells, each kept as its digits.
struct TLine {
    std::array<std::string_view, 4> cells; // empty where unreadable
    bool readable = true;
};

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

bool IsDelimiter(char ch)
{
    return ch == ',' || ch == ';';
}

size_t SkipBlanks(std::string_view text, size_t i)
{
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i;
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

// Blanks and tabs may repeat; a comma or semicolon, blanks around it allowed,
// separates two fields, so two in a row, or one at either end, leave an empty
// field and the line unreadable.
TLine Split(std::string_view text)
{
    TLine line;
    size_t count = 0;
    size_t i = SkipBlanks(text, 0);
    while (i < text.size()) {
        const size_t start = i;
        while (i < text.size() && !IsBlank(text[i]) && !IsDelimiter(text[i]))
            ++i;
        const std::string_view token = text.substr(start, i - start);
        if (!AllDigits(token))
            line.readable = false;
        else if (count < line.cells.size())
            line.cells[count] = token;
        ++count;
        i = SkipBlanks(text, i);
        if (i < text.size() && IsDelimiter(text[i])) {
            i = SkipBlanks(text, i + 1);
            if (i == text.size())
                line.readable = false; // an empty last field
        }
    }
    if (count != line.cells.size())
        line.readable = false;
    return line;
}

// A cell's value, or more than any total accepted when it has too many
// significant digits; leading zeros count for nothing.
int64_t CellValue(std::string_view digits)
{
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos)
        return 0;
    digits.remove_prefix(first);
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
    void Risk(const TRiskValue &value)
    {
        if (value.kind == TRiskValue::Infinite)
            m_row += "inf";
        else if (value.kind == TRiskValue::Finite)
            Number(value.value);
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
    // Writes the row out; false, with errno kept in Error(), when that fails.
    bool End()
    {
        m_row += '\n';
        const bool written = std::fwrite(m_row.data(), 1, m_row.size(), m_out) == m_row.size();
        if (!written)
            m_error = errno;
        m_row.clear();
        return written;
    }
    // The rows still buffered, written out before the input is waited for and
    // at the end.
    bool Flush()
    {
        if (std::fflush(m_out) == 0)
            return true;
        m_error = errno;
        return false;
    }
    int Error() const { return m_error; }

private:
    std::FILE *m_out;
    std::string m_row;
    int m_error = 0;
};

// The cells as read (at most echo characters of each) and empty value fields,
// then the message.
void RefusedRow(TRowWriter &row, const TLine &line, const char *message,
                size_t echo = std::string_view::npos)
{
    for (const std::string_view cell : line.cells) {
        row.Text(cell.substr(0, echo));
        row.Comma();
    }
    for (int field = 0; field < 12; ++field)
        row.Comma();
    row.Quoted(message);
    for (int field = 0; field < 13; ++field)
        row.Comma();
}

// A readable line's row: its statistics, or its refusal (refused is then set).
void ComputedRow(TRowWriter &row, const TLine &line, TFisherDistribution &dist,
                 long double confLevel, std::string_view levelText, bool &refused)
{
    std::array<int64_t, 4> cell{};
    for (size_t i = 0; i < cell.size(); ++i)
        cell[i] = CellValue(line.cells[i]);
    const int64_t total = cell[0] + cell[1] + cell[2] + cell[3];
    if (total > MaxGrandTotal) {
        RefusedRow(row, line, InputMessages::CellsOver20000);
        refused = true;
        return;
    }
    const int32_t a = int32_t(cell[0]), b = int32_t(cell[1]), c = int32_t(cell[2]),
                  d = int32_t(cell[3]);
    if (ComputeDistribution(dist, a + b + c + d, a + b, a + c) != 0) {
        // The total of 0: refused as "Расчет" refuses it.
        RefusedRow(row, line, "Ошибка");
        refused = true;
        return;
    }
    const TTableStatistics st = ComputeTableStatistics(dist, a, b, c, d, confLevel);
    const int32_t i = a - dist.aMin;
    for (const int32_t value : {a, b, c, d}) {
        char digits[16];
        row.Text(std::string_view(digits,
                                  size_t(std::to_chars(digits, digits + 16, value).ptr - digits)));
        row.Comma();
    }
    // The two-sided sum in extended precision: the double one reads 0 in the far
    // tails, where right and left go on.
    for (const long double p :
         {dist.point.Get(i), TwoSidedExtended(dist, i), dist.leftCumulative.Get(i), dist.Right(i),
          st.minLikelihood, st.midPLeft, st.midPRight, st.midPTwoSided}) {
        row.Number(p);
        row.Comma();
    }
    for (const TOddsRatio &ratio : {st.sample, st.estimate, st.lower, st.upper}) {
        row.OddsRatio(ratio);
        row.Comma();
    }
    // No error; then each rule with its interval and the risk measures.
    const TRuleIntervals rules = ComputeRuleIntervals(dist, a, b, c, d, st, confLevel);
    const TRiskMeasures risk = ComputeRiskMeasures(a, b, c, d, confLevel);
    row.Comma();
    row.Text(levelText);
    row.Comma();
    row.Number(rules.centralP);
    for (const TOddsRatio &ratio : {rules.minlikeLow, rules.minlikeHigh}) {
        row.Comma();
        row.OddsRatio(ratio);
    }
    row.Comma();
    row.Number(rules.blakerP);
    for (const TOddsRatio &ratio : {rules.blakerLow, rules.blakerHigh}) {
        row.Comma();
        row.OddsRatio(ratio);
    }
    for (const TRiskValue &value :
         {risk.rd, risk.rdLow, risk.rdHigh, risk.rr, risk.rrLow, risk.rrHigh}) {
        row.Comma();
        row.Risk(value);
    }
}

} // namespace

int OutputFailed(std::FILE *err, int error)
{
    std::fprintf(err, "velmar-report: не могу записать стандартный вывод: %s\n",
                 error != 0 ? std::strerror(error) : "ошибка записи");
    return 1;
}

int RunBatch(std::FILE *in, std::FILE *out, std::FILE *err, long double confLevel,
             std::string_view levelText)
{
    TRowWriter row(out);
    row.Text(BatchHeader);
    if (!row.End())
        return OutputFailed(err, row.Error());
    TLineReader reader(in, [&row] { return row.Flush(); });
    TFisherDistribution dist;
    bool refused = false;
    while (reader.Next()) {
        const std::string_view text = reader.Text();
        const size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos || text[first] == '#')
            continue; // blank or a comment, whatever its length

        const TLine line = Split(text);
        if (reader.Long()) {
            RefusedRow(row, line, LongLine, MaxEcho);
            refused = true;
        } else if (!line.readable) {
            RefusedRow(row, line, UnreadableLine);
            refused = true;
        } else
            ComputedRow(row, line, dist, confLevel, levelText, refused);
        if (!row.End())
            return OutputFailed(err, row.Error());
    }
    if (reader.Error() != 0) {
        row.Flush(); // the rows so far; the read failure is the one reported
        std::fprintf(err, "velmar-report: не могу прочитать стандартный ввод: %s\n",
                     std::strerror(reader.Error()));
        return 1;
    }
    if (row.Error() != 0 || !row.Flush())
        return OutputFailed(err, row.Error());
    return refused ? 2 : 0;
}
