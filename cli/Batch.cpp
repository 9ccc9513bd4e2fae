#include "cli/Batch.h"
#include "cli/UnconditionalCommand.h"

#include "cli/ExtendedFormat.h"

#include "core/ExactIntervals.h"
#include "core/Fisher.h"
#include "core/InputMessages.h"
#include "core/LargeTable.h"
#include "core/RiskMeasures.h"
#include "core/TableStatistics.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif
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

// The largest total the batch takes: its cells and total fit a signed 32-bit integer.
constexpr int64_t MaxBatchTotal = 2147483647;
const char *const TotalOver32Bits = "Строка не вычислена: общая сумма больше 2147483647";

// A cell's value, or more than any total accepted when it has too many
// significant digits; leading zeros count for nothing.
int64_t CellValue(std::string_view digits)
{
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos)
        return 0;
    digits.remove_prefix(first);
    if (digits.size() > 10)
        return MaxBatchTotal + 1;
    int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// The text of rows as they are built, one after another.
class TRowText {
public:
    void Text(std::string_view text) { m_text.append(text); }
    void Comma() { m_text += ','; }
    // At least 17 significant digits: enough to give back the double, and the
    // extended values keep their range (a far tail below 1e-308 stays a number).
    void Number(long double value)
    {
        char buffer[32];
        m_text.append(buffer, FormatExtended17(buffer, value));
    }
    // A value held as a double: the same digits as the extended call gives for
    // it, without the C library's extended formatting behind that one.
    void Number(double value)
    {
        char buffer[32];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
        m_text.append(buffer, result.ptr);
    }
    void OddsRatio(const TOddsRatio &ratio)
    {
        if (ratio.kind == TOddsRatio::Infinite)
            m_text += "inf";
        else if (ratio.kind == TOddsRatio::Finite)
            Number(ratio.value);
    }
    void Risk(const TRiskValue &value)
    {
        if (value.kind == TRiskValue::Infinite)
            m_text += "inf";
        else if (value.kind == TRiskValue::Finite)
            Number(value.value);
    }
    // A field quoted as CSV quotes: in double quotes, its own quotes doubled.
    void Quoted(std::string_view text)
    {
        m_text += '"';
        for (char ch : text) {
            if (ch == '"')
                m_text += '"';
            m_text += ch;
        }
        m_text += '"';
    }
    void End() { m_text += '\n'; }

    const std::string &Str() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
};

// Standard output, with the errno of the first failure kept.
class TOutput {
public:
    explicit TOutput(std::FILE *out) : m_out(out) {}

    bool Write(std::string_view text)
    {
        if (std::fwrite(text.data(), 1, text.size(), m_out) == text.size())
            return true;
        m_error = errno;
        return false;
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
    int m_error = 0;
};

// The cells as read (at most echo characters of each) and empty value fields,
// then the message.
void RefusedRow(TRowText &row, const TLine &line, bool unconditional, const char *message,
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
    if (unconditional)
        row.Text(",,,,,,");
}

// What a row shows of one table, from the calculator's distribution or, for a
// total above 20000, from the path for tables of any size.
struct TRowValues {
    long double point = 0.0L, twoSided = 0.0L, left = 0.0L, right = 0.0L;
    TTableStatistics stats;
    TRuleIntervals rules;
};

// A readable line's row: its statistics, or its refusal (refused is then set).
void ComputedRow(TRowText &row, const TLine &line, TFisherDistribution &dist,
                 const TBatchOptions &options, bool &refused)
{
    std::array<int64_t, 4> cell{};
    for (size_t i = 0; i < cell.size(); ++i)
        cell[i] = CellValue(line.cells[i]);
    const int64_t total = cell[0] + cell[1] + cell[2] + cell[3];
    if (total > MaxBatchTotal) {
        RefusedRow(row, line, options.unconditional, TotalOver32Bits);
        refused = true;
        return;
    }
    const int32_t a = int32_t(cell[0]), b = int32_t(cell[1]), c = int32_t(cell[2]),
                  d = int32_t(cell[3]);
    const long double confLevel = options.confLevel;
    TRowValues v;
    if (total > MaxGrandTotal) {
        TLargeTable large;
        ComputeLargeTable(a, b, c, d, confLevel, large);
        v = {large.point, large.twoSided, large.left, large.right, large.stats, large.rules};
    } else if (ComputeDistribution(dist, a + b + c + d, a + b, a + c) != 0) {
        // The total of 0: refused as "Расчет" refuses it.
        RefusedRow(row, line, options.unconditional, "Ошибка");
        refused = true;
        return;
    } else {
        const int32_t i = a - dist.aMin;
        // The two-sided sum in extended precision: the double one reads 0 in
        // the far tails, where right and left go on.
        v.point = dist.point.Get(i);
        v.twoSided = TwoSidedExtended(dist, i);
        v.left = dist.leftCumulative.Get(i);
        v.right = dist.Right(i);
        v.stats = ComputeTableStatistics(dist, a, b, c, d, confLevel);
        v.rules = ComputeRuleIntervals(dist, a, b, c, d, v.stats, confLevel);
    }
    const TTableStatistics &st = v.stats;
    for (const int32_t value : {a, b, c, d}) {
        char digits[16];
        row.Text(std::string_view(digits,
                                  size_t(std::to_chars(digits, digits + 16, value).ptr - digits)));
        row.Comma();
    }
    for (const long double p : {v.point, v.twoSided, v.left, v.right, st.minLikelihood, st.midPLeft,
                                st.midPRight, st.midPTwoSided}) {
        row.Number(p);
        row.Comma();
    }
    for (const TOddsRatio &ratio : {st.sample, st.estimate, st.lower, st.upper}) {
        row.OddsRatio(ratio);
        row.Comma();
    }
    // The unconditional tests refuse totals above 2000: the row's error.
    TUnconditionalColumns unconditional;
    if (options.unconditional) {
        unconditional = UnconditionalBatchColumns(a, b, c, d);
        if (unconditional.refusal != nullptr) {
            row.Quoted(unconditional.refusal);
            refused = true;
        }
    }
    // Each rule with its interval and the risk measures.
    const TRuleIntervals &rules = v.rules;
    const TRiskMeasures risk = ComputeRiskMeasures(a, b, c, d, confLevel);
    row.Comma();
    row.Text(options.levelText);
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
    if (options.unconditional) {
        row.Comma();
        row.Text(unconditional.fields);
    }
}

// The cores this process may run on: one worker each.
unsigned WorkerCount()
{
#ifdef __linux__
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return unsigned(CPU_COUNT(&set));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

// The lines read and not yet answered, computed a block at a time: on every
// core when the block is large, in this thread when it is small (a line typed
// or sent by a program that waits for its row). Rows are written in input
// order, whatever worker computed them.
class TBatchRows {
public:
    explicit TBatchRows(const TBatchOptions &options)
        : m_options(options), m_workers(WorkerCount()),
          m_dists(std::make_unique<TFisherDistribution[]>(m_workers))
    {
    }

    void Add(std::string_view text, bool isLong)
    {
        m_lines.push_back({m_texts.size(), text.size(), isLong});
        m_texts.append(text);
    }
    size_t Pending() const { return m_lines.size(); }
    // Computes the pending lines' rows and writes them to out in order; false
    // when a write failed (the rows after it are not written).
    bool WriteOut(TOutput &out)
    {
        const size_t chunks = (m_lines.size() + ChunkLines - 1) / ChunkLines;
        if (m_chunks.size() < chunks)
            m_chunks.resize(chunks);
        std::atomic<size_t> next{0};
        auto work = [&](TFisherDistribution &dist) {
            for (size_t k; (k = next.fetch_add(1)) < chunks;)
                Compute(k, dist);
        };
        std::vector<std::thread> threads;
        if (m_lines.size() >= ParallelLines) {
            for (unsigned w = 1; w < m_workers; ++w) {
                try {
                    threads.emplace_back(work, std::ref(m_dists[w]));
                } catch (const std::system_error &) {
                    break; // the threads started, and this one, do it all
                }
            }
        }
        work(m_dists[0]);
        for (std::thread &thread : threads)
            thread.join();
        m_lines.clear();
        m_texts.clear();
        for (size_t k = 0; k < chunks; ++k) {
            m_refused = m_refused || m_chunks[k].refused;
            if (!out.Write(m_chunks[k].rows.Str()))
                return false;
        }
        return true;
    }
    bool Refused() const { return m_refused; }

private:
    // Lines of one worker's step: enough to make the hand-out cheap, few
    // enough to share out the slow tables.
    static constexpr size_t ChunkLines = 16;
    // Fewer lines are computed in this thread: starting threads would cost more.
    static constexpr size_t ParallelLines = 4 * ChunkLines;

    struct TPending {
        size_t offset, length;
        bool isLong;
    };
    struct TChunk {
        TRowText rows;
        bool refused = false;
    };

    void Compute(size_t k, TFisherDistribution &dist)
    {
        TChunk &chunk = m_chunks[k];
        chunk.rows.Clear();
        chunk.refused = false;
        const size_t end = std::min(m_lines.size(), (k + 1) * ChunkLines);
        for (size_t i = k * ChunkLines; i < end; ++i) {
            const TPending &pending = m_lines[i];
            const TLine line =
                Split(std::string_view(m_texts).substr(pending.offset, pending.length));
            if (pending.isLong) {
                RefusedRow(chunk.rows, line, m_options.unconditional, LongLine, MaxEcho);
                chunk.refused = true;
            } else if (!line.readable) {
                RefusedRow(chunk.rows, line, m_options.unconditional, UnreadableLine);
                chunk.refused = true;
            } else
                ComputedRow(chunk.rows, line, dist, m_options, chunk.refused);
            chunk.rows.End();
        }
    }

    TBatchOptions m_options;
    unsigned m_workers;
    // One distribution for each worker, kept from block to block.
    std::unique_ptr<TFisherDistribution[]> m_dists;
    std::vector<TPending> m_lines;
    std::string m_texts;
    std::vector<TChunk> m_chunks;
    bool m_refused = false;
};

} // namespace

int OutputFailed(std::FILE *err, int error)
{
    std::fprintf(err, "velmar-report: не могу записать стандартный вывод: %s\n",
                 error != 0 ? std::strerror(error) : "ошибка записи");
    return 1;
}

int RunBatch(std::FILE *in, std::FILE *out, std::FILE *err, const TBatchOptions &options)
{
    TOutput output(out);
    std::string header = BatchHeader;
    if (options.unconditional)
        header += std::string(",") + UnconditionalBatchHeader;
    if (!output.Write(header + '\n'))
        return OutputFailed(err, output.Error());
    TBatchRows rows(options);
    // Every line read so far is answered before a read that may wait.
    TLineReader reader(in, [&] { return rows.WriteOut(output) && output.Flush(); });
    // The most lines held at once: their rows are written before more are read.
    constexpr size_t MaxBlock = 8192;
    while (reader.Next()) {
        const std::string_view text = reader.Text();
        const size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos || text[first] == '#')
            continue; // blank or a comment, whatever its length
        rows.Add(text, reader.Long());
        if (rows.Pending() >= MaxBlock && !rows.WriteOut(output))
            return OutputFailed(err, output.Error());
    }
    if (output.Error() != 0)
        return OutputFailed(err, output.Error());
    // The lines after the last read, then what a read failure left.
    const bool written = rows.WriteOut(output);
    if (reader.Error() != 0) {
        output.Flush(); // the rows so far; the read failure is the one reported
        std::fprintf(err, "velmar-report: не могу прочитать стандартный ввод: %s\n",
                     std::strerror(reader.Error()));
        return 1;
    }
    if (!written || !output.Flush())
        return OutputFailed(err, output.Error());
    return rows.Refused() ? 2 : 0;
}
