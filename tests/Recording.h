#pragma once

// The logic's ports for tests: each keeps what it was asked to do, in order,
// on top of the headless implementations velmar-report runs on.

#include "headless/Standins.h"

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

// Where stand-ins that share one note what happened, in order.
using TJournal = std::vector<std::string>;

inline void Note(TJournal *journal, const std::string &event)
{
    if (journal)
        journal->push_back(event);
}

// The fields, keeping the focus moves asked for.
class TRecordingFields : public TTextFields {
public:
    // Field names "a" ... "s" and "Расчет".
    std::vector<std::string> focus;

    void FocusField(TField field) override
    {
        focus.push_back(std::string(1, "abcdmnkts"[int(field)]));
    }
    void FocusCompute() override { focus.push_back("Расчет"); }

    // The texts as "a b c d m n k t s", "_" for an empty field.
    std::string Shown() const
    {
        std::string shown;
        for (const std::string &text : texts) {
            if (!shown.empty())
                shown += ' ';
            shown += text.empty() ? std::string("_") : text;
        }
        return shown;
    }
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

    void Show(const std::string &text, const std::string &caption, TMsgIcon icon) override
    {
        shown.push_back({text, caption, icon});
        Note(journal, "box:" + text);
    }
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

    bool Ask(const std::string &text, const std::string &caption) override
    {
        asked.push_back({text, caption});
        Note(journal, "question:" + text);
        return answer;
    }
};

// A busy cursor nobody sees that counts how deep it is pushed.
class TCountingCursor : public clBusyCursor {
public:
    int depth = 0;
    int pushes = 0;
    TJournal *journal = nullptr;

    void Push() override
    {
        ++depth;
        ++pushes;
        Note(journal, "busy");
    }
    void Pop() override
    {
        --depth;
        Note(journal, "idle");
    }
};

// The result window's text as a list of lines, refusing a line that would take
// it past limit characters (each line counting one more for its break), and
// the window's other calls.
class TRecordingSink : public TLineSink {
public:
    explicit TRecordingSink(size_t limit = std::numeric_limits<size_t>::max()) : m_limit(limit) {}

    // "clear", "caret N", "show", "focus", "bounds", in the order they came.
    std::vector<std::string> calls;
    size_t chars = 0;

    void Clear() override
    {
        TLineSink::Clear();
        chars = 0;
        calls.push_back("clear");
    }
    bool AppendLine(const std::string &line) override
    {
        const size_t length = Utf16Length(line) + 1;
        if (chars + length > m_limit)
            return false;
        chars += length;
        return TLineSink::AppendLine(line);
    }
    void SetCaret(int position) override { calls.push_back("caret " + std::to_string(position)); }
    void Show() override { calls.push_back("show"); }
    void FocusText() override { calls.push_back("focus"); }
    void SetCriticalBounds(const TCriticalBounds &b) override
    {
        TLineSink::SetCriticalBounds(b);
        calls.push_back("bounds");
    }

private:
    // The window counts characters as the toolkit does: UTF-16 units.
    static size_t Utf16Length(const std::string &utf8)
    {
        size_t units = 0;
        for (const unsigned char ch : utf8)
            if ((ch & 0xC0) != 0x80)
                units += ch >= 0xF0 ? 2 : 1;
        return units;
    }

    size_t m_limit;
};

// The views, counting the reports and charts asked for.
class TRecordingViews : public TReportViews {
public:
    using TReportViews::TReportViews;
    int reports = 0;
    int charts = 0;
    TJournal *journal = nullptr;

    bool BuildReport(const TCriticalBounds &bounds) override
    {
        ++reports;
        Note(journal, "report");
        return TReportViews::BuildReport(bounds);
    }
    void ShowChart(const TCriticalBounds &) override
    {
        ++charts;
        Note(journal, "chart");
    }
};
