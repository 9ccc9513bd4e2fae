#pragma once

// The stand-ins of the windows for runs without a display: the command-line
// report, the tests, the fuzzer and the benchmarks drive the same logic
// through them. Texts are UTF-8.

#include "core/CriticalBounds.h"
#include "core/Fisher.h"
#include "core/TableValues.h"
#include "core/UiPorts.h"
#include "mainwin/InputSteps.h"
#include "report/Report.h"

#include <array>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

// Where stand-ins that share one may note what happened, in order.
using TJournal = std::vector<std::string>;

// The nine fields of the main window as plain texts, with the table behind
// them and the busy flag of their steps.
class TTextFields : public clInputFields {
public:
    std::array<std::string, FieldCount> texts;
    TInputTable table;
    bool editBusy = false;
    // The focus moves asked for: field names "a" ... "s" and "Расчет".
    std::vector<std::string> focus;

    std::string Text(TField field) const override { return texts[size_t(field)]; }
    void SetText(TField field, const std::string &text) override { texts[size_t(field)] = text; }
    void FocusField(TField field) override;
    void FocusCompute() override { focus.push_back("Расчет"); }

    // Types text into a field as the keyboard would, then leaves the field.
    void Type(TField field, const std::string &text);
    // The texts as "a b c d m n k t s", "_" for an empty field.
    std::string Shown() const;
};

// Keeps the message boxes instead of showing them.
class TRecordingMessageBox : public clMessageBox {
public:
    struct TMessage {
        std::string text;
        std::string caption;
        TMsgIcon icon;
    };
    std::vector<TMessage> shown;
    TJournal *journal = nullptr;

    void Show(const std::string &text, const std::string &caption, TMsgIcon icon) override;
};

// Answers every question with answer and keeps what was asked.
class TScriptedQuestionBox : public clQuestionBox {
public:
    struct TQuestion {
        std::string text;
        std::string caption;
    };
    std::vector<TQuestion> asked;
    bool answer = false;
    TJournal *journal = nullptr;

    bool Ask(const std::string &text, const std::string &caption) override;
};

// A busy cursor nobody sees; it counts how deep it is pushed.
class TSilentCursor : public clBusyCursor {
public:
    int depth = 0;
    int pushes = 0;
    TJournal *journal = nullptr;

    void Push() override;
    void Pop() override;
};

// The result window's text as a list of lines, refusing a line that would take
// it past limit characters (each line counting one more for its break).
class TLineSink : public clReportSink {
public:
    explicit TLineSink(size_t limit = std::numeric_limits<size_t>::max()) : m_limit(limit) {}

    std::vector<std::string> lines;
    // "clear", "caret N", "show", "focus", "bounds", in the order they came.
    std::vector<std::string> calls;
    TCriticalBounds bounds;
    size_t chars = 0;

    void Clear() override;
    bool AppendLine(const std::string &line) override;
    void SetCaret(int position) override;
    void Show() override { calls.push_back("show"); }
    void FocusText() override { calls.push_back("focus"); }
    void SetCriticalBounds(const TCriticalBounds &b) override;

private:
    size_t m_limit;
};

// The views of a computation without windows: the report of dist and table
// goes into sink; the chart is only counted.
class TReportViews : public clResultViews {
public:
    TReportViews(TLineSink &sink, const TFisherDistribution &dist, const TInputTable &table,
                 long double confLevel = DefaultConfLevel)
        : m_sink(sink), m_dist(dist), m_table(table), m_confLevel(confLevel)
    {
    }
    int reports = 0;
    int charts = 0;
    bool built = false;
    TJournal *journal = nullptr;

    bool BuildReport() override;
    void ShowChart() override;

private:
    TLineSink &m_sink;
    const TFisherDistribution &m_dist;
    const TInputTable &m_table;
    long double m_confLevel;
};
