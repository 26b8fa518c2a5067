#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The statements that make a new database file: its five tables, their columns in order and
// their first rows. `today` dates the accounts and sets the countdown to next New Year.
QStringList StoreCreationStatements(const QDate& today);

// Creates the database file at `path` (it must not exist) and fills it. Throws StoreError; a
// creation that fails part-way leaves the file with what was made so far.
void OpenStore(const QString& path, const QDate& today);
