#pragma once

#include "core/InputMessages.h"
#include "core/TableValues.h"
#include "core/UiPorts.h"

#include <cstdint>
#include <functional>
#include <string>

// The nine fields in the order of InputTable.
enum class TField { a, b, c, d, m, n, k, t, s };
constexpr int FieldCount = 9;

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

// Character filter: true when the typed character may reach a field.
bool CharAllowed(char32_t ch);

// Enter in a field: moves the focus along a, b, c, d or m, k, s and then to
// "Расчет". Returns true when the key was Enter and was handled.
bool EnterPressed(clInputFields &fields, TField field);

// Field steps (used by the exit handlers and by the settings load).
int32_t NormalizeEdit(clInputFields &fields, TField field);
void CellExit(clInputFields &fields, TField cell);
void MarginExit(clInputFields &fields, TField margin);
void TotalExit(clInputFields &fields);

// The exit handler of any editable field: nothing while EditBusy is set,
// otherwise the field's step with EditBusy set for its duration.
void FieldExit(clInputFields &fields, TField field);

// Writes a value into InputTable and its field (empty for -1).
void SetValue(clInputFields &fields, TField field, int32_t value);

// The button "Расчет": validates and completes InputTable, then calls compute
// with the completed table.
void BtnCompClick(clInputFields &fields, clMessageBox &messages,
                  const std::function<void(const TInputTable &)> &compute);
