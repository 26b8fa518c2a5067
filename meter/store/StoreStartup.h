#pragma once

#include <QDate>
#include <QString>

class Store;

// Opens the meter's database at start-up. A missing file is created whole (never half made); a
// file whose first making was cut short is completed; a file that holds data, or cannot be read,
// is never changed. Afterwards the store is open exactly when sessions can be recorded in it.
class StoreStartup {
public:
    StoreStartup(Store& store, QString path, const QDate& today);

    // True when the store is open and sessions can be recorded.
    bool open();

    bool created() const { return m_created; }
    bool completed() const { return m_completed; }
    // Why sessions cannot be recorded, as a sentence for the user; empty when they can.
    const QString& problem() const { return m_problem; }

private:
    bool fail(const QString& problem);
    bool canRecord();

    Store& m_store;
    QString m_path;
    QDate m_today;
    bool m_created = false;
    bool m_completed = false;
    QString m_problem;
};
