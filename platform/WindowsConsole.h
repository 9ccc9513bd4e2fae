#pragma once

// What the programs need of the Windows console and C runtime: their text
// is UTF-8, so a console shows it in that code page for the run (the earlier
// one comes back at exit); and bytes that must arrive as written (the
// Windows-1251 report with its own CR LF, the batch's input with whatever line
// ends it has) pass standard output or input in binary mode.
void UseUtf8Console();
// A window program has no console of its own: where its standard output and
// error lead nowhere, they are given the console it was started from, if any.
void AttachParentConsole();
void BinaryStandardOutput();
void BinaryStandardInput();
