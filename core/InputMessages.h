#pragma once

// The message texts of "Расчет", in a header of their own so that the command
// line's batch refuses a table in the window's words. UTF-8; defined with the
// field steps that show them (velmar_input).
namespace InputMessages {
extern const char *const CellsOver20000;
extern const char *const NotAllFilled;
extern const char *const TotalOver20000;
extern const char *const InconsistentMargins;
} // namespace InputMessages
