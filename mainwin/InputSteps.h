#pragma once

#include "core/InputMessages.h"
#include "core/TableValues.h"
#include "core/UiPorts.h"

#include <cstdint>
#include <functional>
#include <string>

// The nine fields in the order of the table's values.
enum class TField { a, b, c, d, m, n, k, t, s };
constexpr int FieldCount = 9;

// Sets the busy flag of the field steps for its lifetime and restores the
// value it found.
class TEditBusyGuard {
public:
    explicit TEditBusyGuard(bool &busy) : m_busy(busy), m_previous(busy) { m_busy = true; }
    ~TEditBusyGuard() { m_busy = m_previous; }
    TEditBusyGuard(const TEditBusyGuard &) = delete;
    TEditBusyGuard &operator=(const TEditBusyGuard &) = delete;

private:
    bool &m_busy;
    bool m_previous;
};

// What the field steps need of the main window.
class clInputFields {
public:
    virtual ~clInputFields() = default;
    virtual std::string Text(TField field) const = 0;
    virtual void SetText(TField field, const std::string &text) = 0;
    // Moves the focus to a field; the field being left runs its exit step first.
    virtual void FocusField(TField field) = 0;
    // Moves the focus to the button "Расчет".
    virtual void FocusCompute() = 0;
};

// The steps below work on table, the values behind fields, and keep the two
// in step; busy is the flag that suspends them while a step or the settings
// load is running.

// Character filter: true when the typed character may reach a field
// (everything while busy).
bool CharAllowed(char32_t ch, bool busy);

// Enter in a field: moves the focus along a, b, c, d or m, k, s and then to
// "Расчет". Returns true when the key was Enter and was handled (never while busy).
bool EnterPressed(clInputFields &fields, TField field, bool busy);

// Field steps (used by the exit handlers and by the settings load).
int32_t NormalizeEdit(clInputFields &fields, TField field);
void CellExit(clInputFields &fields, TInputTable &table, TField cell);
void MarginExit(clInputFields &fields, TInputTable &table, TField margin);
void TotalExit(clInputFields &fields, TInputTable &table);

// The exit handler of any editable field: nothing while busy is set,
// otherwise the field's step with busy set for its duration.
void FieldExit(clInputFields &fields, TInputTable &table, bool &busy, TField field);

// Writes a value into table and its field (empty for -1).
void SetValue(clInputFields &fields, TInputTable &table, TField field, int32_t value);

// The button "Расчет": validates and completes table, then calls compute
// with the completed table.
void BtnCompClick(clInputFields &fields, TInputTable &table, clMessageBox &messages,
                  const std::function<void(const TInputTable &)> &compute);
