#pragma once

#include "core/CriticalBounds.h"

#include <string>

// What the logic needs of the user interface, kept small so that tests and the
// command-line report can stand in for the windows. Texts are UTF-8.

enum class TMsgIcon { Stop = 16, Information = 64 };

// The program's name: the caption of every box that is given none, so that no
// title bar falls back to the name of the executable.
inline constexpr char ApplicationTitle[] = "Велмар";

// A modal message box with one OK button.
class clMessageBox {
public:
    virtual ~clMessageBox() = default;
    virtual void Show(const std::string &text, const std::string &caption, TMsgIcon icon) = 0;
};

// A modal question with the buttons Yes and No: true for Yes.
class clQuestionBox {
public:
    virtual ~clQuestionBox() = default;
    virtual bool Ask(const std::string &text, const std::string &caption) = 0;
};

// The busy cursor: Push shows it, Pop brings back the cursor that was current before.
class clBusyCursor {
public:
    virtual ~clBusyCursor() = default;
    virtual void Push() = 0;
    virtual void Pop() = 0;
};

// Shows the busy cursor while it lives.
class TWaitCursor {
public:
    explicit TWaitCursor(clBusyCursor &cursor) : m_cursor(cursor) { m_cursor.Push(); }
    ~TWaitCursor() { m_cursor.Pop(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;

private:
    clBusyCursor &m_cursor;
};

// The two views rebuilt from a fresh distribution, both given the critical
// bounds computed with it.
class clResultViews {
public:
    virtual ~clResultViews() = default;
    // Rebuilds and shows the report; false when it could not be built (the
    // failure has been reported to the user already).
    virtual bool BuildReport(const TCriticalBounds &bounds) = 0;
    // Redraws the chart and shows its window.
    virtual void ShowChart(const TCriticalBounds &bounds) = 0;
};
