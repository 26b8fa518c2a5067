#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// How the statistics grid writes its cells.
class SessionText {
public:
    // Seconds as "H:MM:SS" with unlimited hours (0:00:59, 1:02:05, 100:00:00); negative spans
    // get a leading "-".
    static QString duration(double seconds);
    // "YYYYMMDD" as "YYYY年MM月DD日", month and day keeping their leading zeros.
    static QString date(const QString& text);
    // A fee in ten-thousandths of a yuan with four decimals and " 元" (3.1000 元, -0.5000 元).
    static QString fee(qint64 tenThousandths);
    // The same without the unit, as a plain number for a spreadsheet (3.1000, -0.5000).
    static QString feeNumber(qint64 tenThousandths);
    // Whole seconds as a plain number, rounded as duration() rounds them (3725, -65).
    static QString wholeSeconds(double seconds);
    // "YYYYMMDD" and "H:MM:SS" as ISO 8601 "YYYY-MM-DD HH:MM:SS"; texts that are no date and
    // time come back as they were recorded, joined by a blank.
    static QString isoMoment(QStringView date, QStringView time);
    // The fee a stored value denotes, in ten-thousandths (0.5 -> 5000).
    static qint64 feeUnits(double yuan);
};
