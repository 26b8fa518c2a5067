#pragma once

#include <QString>

// One statement of a new database file's making, with what it makes: a table, a column of a
// table, or one of the first rows of a table (named by its User).
struct StoreCreationStep {
    enum class Kind { Table, Column, Row };

    Kind kind;
    QString table;
    // The column's name, or the row's User; empty for a table.
    QString name;
    QString statement;
};
