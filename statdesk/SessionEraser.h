#pragma once

#include <QList>
#include <QStringList>

class SessionTableModel;
class Store;

// Deletes listed sessions from the store, each exactly the row that was listed.
class SessionEraser {
public:
    // The session rows from `first` to `last` (either way round; the totals row never counts).
    // `removed` lists the grid rows whose session is gone from the store; `failures` describes
    // each one that is still there.
    void erase(Store& store, const SessionTableModel& model, int first, int last);

    const QList<int>& removed() const { return m_removed; }
    const QStringList& failures() const { return m_failures; }
    // One message for all failures, empty when there were none.
    QString failureMessage() const;

private:
    QList<int> m_removed;
    QStringList m_failures;
};
