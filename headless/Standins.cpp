#include "headless/Standins.h"

void TTextFields::Type(TField field, const std::string &text)
{
    std::string kept;
    for (unsigned char ch : text)
        if (CharAllowed(ch, editBusy))
            kept += char(ch);
    SetText(field, kept);
    FieldExit(*this, table, editBusy, field);
}

void TStreamMessageBox::Show(const std::string &text, const std::string &, TMsgIcon)
{
    ++m_count;
    std::string shown = text;
    for (char &ch : shown)
        if (ch == '\r')
            ch = '\n';
    std::fprintf(m_stream, "%s\n", shown.c_str());
}

bool TReportViews::BuildReport(const TCriticalBounds &bounds)
{
    built = ::BuildReport(m_sink, m_dist, m_table, bounds, m_confLevel) == 0;
    return built;
}
