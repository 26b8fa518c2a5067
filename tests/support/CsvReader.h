#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A strict RFC 4180 reader for checking written files: records end with CR LF; a quoted field
// may hold commas, line breaks and doubled quotes. Anything else (a quote inside an unquoted
// field, text after a closing quote, a lone CR or LF outside quotes, an open quote at the end,
// a last record without its CR LF) makes the text unreadable: nothing is returned.
inline std::optional<QList<QStringList>> ReadCsv(const QString& text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field was quoted and its closing quote seen
    bool fieldStarted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == u',') {
            record << field;
            field.clear();
            wasQuoted = fieldStarted = false;
        } else if (c == u'\r') {
            if (i + 1 >= n || text.at(i + 1) != u'\n')
                return std::nullopt;
            ++i;
            record << field;
            records << record;
            record.clear();
            field.clear();
            wasQuoted = fieldStarted = false;
        } else if (c == u'\n') {
            return std::nullopt;
        } else if (c == u'"') {
            if (fieldStarted || wasQuoted)
                return std::nullopt;
            quoted = fieldStarted = true;
        } else {
            if (wasQuoted)
                return std::nullopt;
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted || !record.isEmpty() || !field.isEmpty() || fieldStarted)
        return std::nullopt;
    return records;
}
