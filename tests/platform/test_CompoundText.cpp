#include "platform/linux/CompoundText.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

QByteArray Encoded(const char* codec, const QString& text) {
    QStringEncoder encoder(codec);
    return encoder.encode(text);
}

// High bits cleared: a 94x94 set designated into GL.
QByteArray SevenBit(QByteArray bytes) {
    for (char& byte : bytes)
        byte = char(byte & 0x7f);
    return bytes;
}

struct Case {
    const char* what;
    QByteArray bytes;
    QString text;
};

TEST(CompoundText, DecodesTheSetsOlderClientsWriteTitlesIn) {
    const QString connect = QStringLiteral("连接到");
    const QString iwps = QStringLiteral("iWPS:拨号");
    const Case cases[] = {
        {"ASCII", "Dial-up", "Dial-up"},
        {"Latin-1 right half, designated at start", "Connexi\xf3n", QStringLiteral("Connexión")},
        {"GB 2312 in GR", "\x1b$)A" + Encoded("GB2312", connect), connect},
        {"GB 2312 in GL", "\x1b$(A" + SevenBit(Encoded("GB2312", connect)), connect},
        {"ASCII, then GB 2312", "iWPS:\x1b$)A" + Encoded("GB2312", QStringLiteral("拨号")), iwps},
        {"back to ASCII in GL",
         "\x1b$(A" + SevenBit(Encoded("GB2312", QStringLiteral("拨号"))) + "\x1b(B ok",
         QStringLiteral("拨号 ok")},
        {"ISO 8859-5 right half", "\x1b-L" + Encoded("ISO-8859-5", QStringLiteral("Связь")),
         QStringLiteral("Связь")},
        {"JIS X 0208", "\x1b$)B" + Encoded("EUC-JP", QStringLiteral("接続")),
         QStringLiteral("接続")},
        {"UTF-8 segment", "a\x1b%G" + QStringLiteral("€😀").toUtf8() + "\x1b%@b",
         QStringLiteral("a€😀b")},
        {"GBK extended segment",
         QByteArray("\x1b%/2\x80\x88", 6) + "gbk-0\x02" + Encoded("GBK", QStringLiteral("鎔")) +
             "x",
         QStringLiteral("鎔x")},
        {"direction marks are skipped",
         "\x9b"
         "1]ab\x9b]",
         "ab"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompoundText::decode(c.bytes), c.text) << c.what;
}

TEST(CompoundText, WhatCannotBeDecodedNeverMatchesByAccident) {
    const QString replacement(QChar::ReplacementCharacter);
    // An unknown set, a multi-byte character cut short, an unknown extended segment.
    EXPECT_EQ(CompoundText::decode("\x1b$)Z\xb0\xa1"
                                   "a"),
              replacement + "a");
    EXPECT_EQ(CompoundText::decode("\x1b$)A\xc1"), replacement);
    EXPECT_EQ(CompoundText::decode(QByteArray("\x1b%/1\x80\x85xyz\x02\x41") + "b"),
              replacement + "b");
}

} // namespace
