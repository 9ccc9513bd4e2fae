#pragma once

#include "core/CriticalBounds.h"
#include "core/Fisher.h"
#include "core/TableValues.h"

#include <cstdint>
#include <string>

// What the report builder needs of the result window. Lines are UTF-8.
class clReportSink {
public:
    virtual ~clReportSink() = default;
    virtual void Clear() = 0;
    // false when the text cannot take the line (the window's length limit).
    virtual bool AppendLine(const std::string &line) = 0;
    virtual void SetCaret(int position) = 0;
    virtual void Show() = 0;
    virtual void FocusText() = 0;
    virtual void SetCriticalBounds(const TCriticalBounds &bounds) = 0;
};

// The largest number of characters the result window's text holds.
constexpr int MaxReportChars = 2000000;

// The level of the odds ratio's interval unless the command line asks for another.
constexpr long double DefaultConfLevel = 0.95L;

// Writes the report of dist and table with the critical bounds of dist into
// sink: the designed report, then for an observed table the block of the odds
// ratio at level confLevel and the other packages' p-values. The sink keeps the
// bounds. Returns 0, or 1 when a line could not be appended (the sink is then
// neither shown nor focused and keeps the bounds it had).
int32_t BuildReport(clReportSink &sink, const TFisherDistribution &dist, const TInputTable &table,
                    const TCriticalBounds &bounds, long double confLevel = DefaultConfLevel);

// One line of the distribution table (without the markers), for tests and tools.
std::string FormatDistributionRow(const TFisherDistribution &dist, int32_t i);
