#pragma once

#include "common/StoreCreationStep.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Store;

// Tells what an existing database file holds of the steps that make a new one, and completes a
// file whose making was cut short (by an older version that built the file in place).
//
// The rule: a file is completed only when it holds exactly the steps up to some point, in their
// order, and nothing else: no table or column that creation does not make, no row in Notes, no
// account in Users besides the two made at creation. Such a file holds nothing but what creation
// wrote, so running the remaining steps loses nothing. A file with every table and column is
// complete even when first rows are gone (an administrator may have removed Master). Anything
// else, and anything that cannot be read, is left exactly as it is.
class StoreCompletion {
public:
    enum class State {
        Complete,
        // Its making was cut short; completing it is safe.
        Unfinished,
        // Parts are missing, but it is not a cut-short making or it holds data: left alone.
        Irregular,
        // A query on it failed: left alone.
        Unreadable,
    };

    StoreCompletion(Store& store, const QDate& today);

    // Looks at the open file; changes nothing.
    State assess();
    // Runs the missing steps of an unfinished file in one write transaction, after looking at
    // the file again inside it. True when the file was completed; false when it was not
    // unfinished after all or a step failed (then nothing was changed).
    bool completeUnfinished();

    // Steps the file held when last assessed, out of all of them.
    int stepsDone() const { return m_stepsDone; }
    int stepCount() const { return static_cast<int>(m_steps.size()); }
    // Why the file is irregular or unreadable, or why the completion failed.
    const QString& reason() const { return m_reason; }

private:
    State findState();
    bool isPresent(const StoreCreationStep& step);
    bool holdsOnlyCreationData();
    bool read(const QString& sql, const QVariantList& values, QList<QVariantList>& rows);
    bool count(const QString& sql, const QVariantList& values, qlonglong& result);

    Store& m_store;
    QList<StoreCreationStep> m_steps;
    int m_stepsDone = 0;
    QString m_reason;
    bool m_unreadable = false;
    // Lower-case table name -> its lower-case column names, in order.
    QHash<QString, QStringList> m_columns;
};
