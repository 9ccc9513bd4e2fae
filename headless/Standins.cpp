#include "headless/Standins.h"

namespace {

const char FieldNames[] = "abcdmnkts";

void Note(TJournal *journal, const std::string &event)
{
    if (journal)
        journal->push_back(event);
}

size_t Utf16Length(const std::string &utf8)
{
    // The window counts characters as the toolkit does: UTF-16 units.
    size_t units = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char ch = utf8[i];
        if ((ch & 0xC0) != 0x80)
            units += ch >= 0xF0 ? 2 : 1;
    }
    return units;
}

} // namespace

void TTextFields::FocusField(TField field)
{
    focus.push_back(std::string(1, FieldNames[int(field)]));
}

void TTextFields::Type(TField field, const std::string &text)
{
    std::string kept;
    for (unsigned char ch : text)
        if (CharAllowed(ch, editBusy))
            kept += char(ch);
    SetText(field, kept);
    FieldExit(*this, table, editBusy, field);
}

std::string TTextFields::Shown() const
{
    std::string shown;
    for (const std::string &text : texts) {
        if (!shown.empty())
            shown += ' ';
        shown += text.empty() ? std::string("_") : text;
    }
    return shown;
}

void TRecordingMessageBox::Show(const std::string &text, const std::string &caption, TMsgIcon icon)
{
    shown.push_back({text, caption, icon});
    Note(journal, "box:" + text);
}

bool TScriptedQuestionBox::Ask(const std::string &text, const std::string &caption)
{
    asked.push_back({text, caption});
    Note(journal, "question:" + text);
    return answer;
}

void TSilentCursor::Push()
{
    ++depth;
    ++pushes;
    Note(journal, "busy");
}

void TSilentCursor::Pop()
{
    --depth;
    Note(journal, "idle");
}

void TLineSink::Clear()
{
    lines.clear();
    chars = 0;
    calls.push_back("clear");
}

bool TLineSink::AppendLine(const std::string &line)
{
    const size_t length = Utf16Length(line) + 1;
    if (chars + length > m_limit)
        return false;
    chars += length;
    lines.push_back(line);
    return true;
}

void TLineSink::SetCaret(int position)
{
    calls.push_back("caret " + std::to_string(position));
}

void TLineSink::SetCriticalBounds(const TCriticalBounds &b)
{
    bounds = b;
    calls.push_back("bounds");
}

bool TReportViews::BuildReport()
{
    ++reports;
    Note(journal, "report");
    built = ::BuildReport(m_sink, m_dist, m_table, m_confLevel) == 0;
    return built;
}

void TReportViews::ShowChart()
{
    ++charts;
    Note(journal, "chart");
}
