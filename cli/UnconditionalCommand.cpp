#include "cli/UnconditionalCommand.h"

#include "core/Unconditional.h"

#include <charconv>
#include <string>

const char UnconditionalBatchHeader[] = "boschloo_left,boschloo_right,boschloo_two_sided,"
                                        "barnard_left,barnard_right,barnard_two_sided";

const char UnconditionalTotalRefused[] =
    "Безусловные критерии не вычисляются: общая сумма больше 2000";

namespace {

// As the odds-ratio block writes its probabilities: nine decimals, and four
// significant digits with an exponent below 1e-9. to_chars keeps the decimal
// point whatever the locale.
std::string BlockProbability(long double p)
{
    char buffer[64];
    const auto result =
        p > 0.0L && p < 1e-9L
            ? std::to_chars(buffer, buffer + sizeof buffer, p, std::chars_format::scientific, 3)
            : std::to_chars(buffer, buffer + sizeof buffer, p, std::chars_format::fixed, 9);
    return std::string(buffer, result.ptr);
}

// The batch's number: 17 significant digits, trailing zeros dropped.
std::string BatchNumber(long double p)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, p, std::chars_format::general, 17);
    return std::string(buffer, result.ptr);
}

std::string ThreeValues(long double left, long double right, long double twoSided)
{
    return "левая " + BlockProbability(left) + ", правая " + BlockProbability(right) +
           ", 2-х сторонняя " + BlockProbability(twoSided);
}

} // namespace

std::vector<std::string> UnconditionalBlockLines(int32_t a, int32_t b, int32_t c, int32_t d)
{
    std::vector<std::string> lines{"", "          Безусловные точные критерии"};
    TUnconditionalTests r;
    if (ComputeUnconditionalTests(a, b, c, d, r) != 0) {
        lines.push_back("  Не вычисляются: общая сумма больше 2000 (поиск точной верхней грани "
                        "по общей доле занял бы слишком много времени)");
        return lines;
    }
    lines.push_back("  Строки - две независимые выборки фиксированных объемов: a из m = a + b и "
                    "c из n = c + d");
    if (a + b == 0 || c + d == 0)
        lines.push_back("  Одна из строк пуста: сравнивать не с чем, все вероятности равны 1");
    lines.push_back("  Критерий Бошлоо (статистика - односторонняя вероятность Фишера): " +
                    ThreeValues(r.boschlooLeft, r.boschlooRight, r.boschlooTwoSided));
    lines.push_back("  Критерий Барнарда (статистика Вальда с общей долей): " +
                    ThreeValues(r.barnardLeft, r.barnardRight, r.barnardTwoSided));
    return lines;
}

TUnconditionalColumns UnconditionalBatchColumns(int64_t a, int64_t b, int64_t c, int64_t d)
{
    TUnconditionalColumns columns;
    TUnconditionalTests r;
    if (a < 0 || b < 0 || c < 0 || d < 0 || a + b + c + d > MaxUnconditionalTotal ||
        ComputeUnconditionalTests(int32_t(a), int32_t(b), int32_t(c), int32_t(d), r) != 0) {
        columns.fields = ",,,,,";
        columns.refusal = UnconditionalTotalRefused;
        return columns;
    }
    for (const long double p : {r.boschlooLeft, r.boschlooRight, r.boschlooTwoSided, r.barnardLeft,
                                r.barnardRight, r.barnardTwoSided}) {
        if (!columns.fields.empty())
            columns.fields += ',';
        columns.fields += BatchNumber(p);
    }
    return columns;
}
