#pragma once

// The message texts of "Расчет", in a header of their own so that the command
// line's batch refuses a table in the window's words. UTF-8.
namespace InputMessages {
inline constexpr char CellsOver20000[] = "Величины a,b,c,d в сумме не должны превышать 20000";
inline constexpr char NotAllFilled[] = "   Во ВСЕ БЕЛЫЕ поля формы или во ВСЕ ГОЛУБЫЕ\r"
                                       "должны быть введены неотрицательные целые числа";
inline constexpr char TotalOver20000[] = "Величина n не должны превышать 20000";
inline constexpr char InconsistentMargins[] = "Величины m,k,n заданы некорректно";
} // namespace InputMessages
