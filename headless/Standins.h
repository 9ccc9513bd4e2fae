#pragma once

// The logic's ports for runs without a display, as velmar-report runs: fields
// that take typed text, messages passed on to a stream, a cursor nobody sees,
// the report as a list of lines. Tests record what happens through subclasses
// of their own (tests/Recording.h). Texts are UTF-8.

#include "core/CriticalBounds.h"
#include "core/Fisher.h"
#include "core/TableValues.h"
#include "core/UiPorts.h"
#include "mainwin/InputSteps.h"
#include "report/Report.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// The nine fields of the main window as plain texts, with the table behind
// them and the busy flag of their steps.
class TTextFields : public clInputFields {
public:
    std::array<std::string, FieldCount> texts;
    TInputTable table;
    bool editBusy = false;

    std::string Text(TField field) const override { return texts[size_t(field)]; }
    void SetText(TField field, const std::string &text) override { texts[size_t(field)] = text; }
    // Without a window there is no focus to move: Type leaves its field itself.
    void FocusField(TField) override {}
    void FocusCompute() override {}

    // Types text into a field as the keyboard would, then leaves the field.
    void Type(TField field, const std::string &text);
};

// Passes each message on to stream as soon as it is shown, a carriage return
// as a line break, and counts them.
class TStreamMessageBox : public clMessageBox {
public:
    explicit TStreamMessageBox(std::FILE *stream) : m_stream(stream) {}

    void Show(const std::string &text, const std::string &caption, TMsgIcon icon) override;
    int Count() const { return m_count; }

private:
    std::FILE *m_stream;
    int m_count = 0;
};

// A busy cursor nobody sees.
class TSilentCursor : public clBusyCursor {
public:
    void Push() override {}
    void Pop() override {}
};

// The report as a list of lines, with the critical bounds it gave.
class TLineSink : public clReportSink {
public:
    std::vector<std::string> lines;
    TCriticalBounds bounds;

    void Clear() override { lines.clear(); }
    bool AppendLine(const std::string &line) override
    {
        lines.push_back(line);
        return true;
    }
    void SetCaret(int) override {}
    void Show() override {}
    void FocusText() override {}
    void SetCriticalBounds(const TCriticalBounds &b) override { bounds = b; }
};

// The views of a computation without windows: the report of dist and table
// goes into sink; there is no chart to show.
class TReportViews : public clResultViews {
public:
    TReportViews(clReportSink &sink, const TFisherDistribution &dist, const TInputTable &table,
                 long double confLevel = DefaultConfLevel)
        : m_sink(sink), m_dist(dist), m_table(table), m_confLevel(confLevel)
    {
    }
    // Whether the last report was built.
    bool built = false;

    bool BuildReport(const TCriticalBounds &bounds) override;
    void ShowChart(const TCriticalBounds &) override {}

private:
    clReportSink &m_sink;
    const TFisherDistribution &m_dist;
    const TInputTable &m_table;
    long double m_confLevel;
};
