#include "statdesk/CsvWriter.h"

#include <QIODevice>

namespace {

constexpr qsizetype FlushSize = 256 * 1024;

bool StartsLikeFormula(QStringView field) {
    if (field.isEmpty())
        return false;
    switch (field.front().unicode()) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r':
        return true;
    default:
        return false;
    }
}

bool NeedsQuotes(QStringView field) {
    if (field.isEmpty())
        return false;
    if (field.front() == u' ' || field.back() == u' ')
        return true;
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r')
            return true;
    }
    return false;
}

} // namespace

CsvWriter::CsvWriter(QIODevice& device) : m_device(device) {
    m_buffer.reserve(FlushSize + 4096);
    m_buffer.append("\xEF\xBB\xBF");
}

CsvWriter::~CsvWriter() = default;

QString CsvWriter::encodedText(QStringView field) {
    QString guarded;
    if (StartsLikeFormula(field)) {
        // The apostrophe is the spreadsheets' own mark for "this cell is text".
        guarded = u'\'' + field.toString();
        field = guarded;
    }
    if (!NeedsQuotes(field))
        return field.toString();
    QString quoted;
    quoted.reserve(field.size() + 2);
    quoted += u'"';
    for (const QChar c : field) {
        if (c == u'"')
            quoted += u'"';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

void CsvWriter::text(QStringView field) {
    append(field, true);
}

void CsvWriter::number(QStringView field) {
    append(field, false);
}

void CsvWriter::append(QStringView field, bool guardFormula) {
    if (m_fieldsInRecord)
        m_buffer.append(',');
    m_fieldsInRecord = true;
    if ((guardFormula && StartsLikeFormula(field)) || NeedsQuotes(field))
        m_buffer.append(encodedText(field).toUtf8());
    else
        m_buffer.append(field.toUtf8());
}

void CsvWriter::endRecord() {
    m_buffer.append("\r\n");
    m_fieldsInRecord = false;
    flushIfFull();
}

void CsvWriter::flushIfFull() {
    if (m_buffer.size() >= FlushSize)
        finish();
}

bool CsvWriter::finish() {
    if (!m_buffer.isEmpty() && !m_failed) {
        if (m_device.write(m_buffer) != m_buffer.size())
            m_failed = true;
    }
    m_buffer.clear();
    return !m_failed;
}
