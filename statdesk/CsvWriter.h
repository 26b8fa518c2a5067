#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class QIODevice;

// Comma-separated records as RFC 4180 has them, in UTF-8 behind a byte-order mark so that
// spreadsheet programs read the Chinese texts right. Records end with CR LF; a field holding a
// comma, a quote, a line break or an outer blank is quoted, its quotes doubled. Text fields that
// a spreadsheet would run as a formula are written so they are read as text. Output is buffered
// and handed to the device in large blocks.
class CsvWriter {
public:
    explicit CsvWriter(QIODevice& device);
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // A field taken from the data (names, headers, dates as recorded).
    void text(QStringView field);
    // A number this program formatted itself: never taken for a formula.
    void number(QStringView field);
    void endRecord();

    // Writes what is left in the buffer. False when any write to the device failed.
    bool finish();

    // How a text field is written: quoted where needed, an apostrophe before a leading "=",
    // "+", "-", "@", tab or carriage return.
    static QString encodedText(QStringView field);

private:
    void append(QStringView field, bool guardFormula);
    void flushIfFull();

    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_fieldsInRecord = false;
    bool m_failed = false;
};
