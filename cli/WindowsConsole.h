#pragma once

// What velmar-report needs of the Windows console and C runtime: the report
// is UTF-8, so a console shows it in that code page for the run (the earlier
// one comes back at exit); and bytes that must arrive as written (the
// Windows-1251 report with its own CR LF, the batch's input with whatever line
// ends it has) pass standard output or input in binary mode.
void UseUtf8Console();
void BinaryStandardOutput();
void BinaryStandardInput();
