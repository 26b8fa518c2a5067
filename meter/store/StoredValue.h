#pragma once

#include "common/TextConventions.h"

#include <QString>
#include <QVariant>

// A value read from the store as the windows show it: numbers in plain decimal text without
// trailing zeros, texts as they are.
inline QString StoredText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return NumberToText(value.toDouble());
    default:
        return value.toString();
    }
}

// A value read from the store as a number; a text gives its leading number.
inline double StoredNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return value.toDouble();
    default:
        return NumberFromText(value.toString());
    }
}
