#pragma once

#include <string_view>

struct sqlite3;

// Text comparison that ignores letter case in every script, not only A-Z: both UTF-8 texts
// are case folded code point by code point (Unicode simple folding, as
// QString::toCaseFolded does it) and then compared by code point. A byte that does not belong
// to well-formed UTF-8 stands for itself and sorts after every character. The result is a
// total order, so equality, sorting and grouping in one statement agree with each other.
int CompareCaseFolded(std::string_view left, std::string_view right);

// Makes NOCASE on this connection compare with CompareCaseFolded. The schema keeps the
// standard name NOCASE, so other SQLite tools still open and query the file (with their own,
// ASCII-only NOCASE). Must run before the connection prepares its first statement.
bool RegisterCaseFoldedNocase(sqlite3* db);
