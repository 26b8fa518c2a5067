#pragma once

#include "common/StoreCreationStep.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The steps that make a new database file: its five tables, their columns in order and their
// first rows. `today` dates the accounts and sets the countdown to next New Year.
QList<StoreCreationStep> StoreCreationSteps(const QDate& today);
// The statements of those steps, in order.
QStringList StoreCreationStatements(const QDate& today);

// Creates the database file at `path` (it must not exist) and fills it. The file is built under
// a temporary name in the same folder and renamed into place only once complete, so a crash
// leaves either no file or a whole one. Throws StoreError; nothing is left behind then.
void OpenStore(const QString& path, const QDate& today);

// Removes the temporary files of creations that a crash cut short. Only the program that
// creates the file may call it, while it holds its single-copy lock.
void RemoveUnfinishedCreations(const QString& path);
