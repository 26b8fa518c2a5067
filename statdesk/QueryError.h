#pragma once

#include <QString>

// A query that could not run, shown to the user as "number:description".
class QueryError {
public:
    // Numbers for the faults the window finds itself.
    static constexpr int TypeMismatch = 13;
    static constexpr int NoDatabase = 91;
    static constexpr int DateMismatch = 3464;

    QueryError(int number, QString description)
        : m_number(number), m_description(std::move(description)) {}

    // A statement refused by the store: the SQLite result code whose standard text the message
    // is, or the generic SQLITE_ERROR (1) for a message of the statement's own.
    static QueryError fromStore(const QString& message);

    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    QString text() const { return QString::number(m_number) + u':' + m_description; }

private:
    int m_number;
    QString m_description;
};
