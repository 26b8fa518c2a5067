#pragma once

#include <QByteArray>
#include <QString>

// Text in X's COMPOUND_TEXT encoding, which older clients use for WM_NAME: ISO 2022 with
// designations of ASCII, the ISO 8859 right halves, GB 2312, JIS X 0208, KS C 5601 and the
// katakana of JIS X 0201, Xlib's UTF-8 segment, and extended segments in GBK, GB 18030 or
// Big5. Whatever cannot be decoded becomes U+FFFD, so it never compares equal by accident.
class CompoundText {
public:
    static QString decode(const QByteArray& bytes);
};
