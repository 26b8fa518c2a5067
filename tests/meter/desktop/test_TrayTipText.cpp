#include "meter/desktop/tray/TrayTipText.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

qsizetype GbkBytes(const QString& text) {
    QStringEncoder gbk("GBK");
    const QByteArray bytes = gbk.encode(text);
    return bytes.size();
}

struct CutCase {
    const char* name;
    QString text;
    QString expected;
};

class TrayTipCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(TrayTipCut, KeepsWholeCharactersWithinTheField) {
    const CutCase& c = GetParam();
    const QString cut = CutToTrayTip(c.text);
    EXPECT_EQ(cut.toStdString(), c.expected.toStdString());
    EXPECT_LE(GbkBytes(cut), TrayTipBytes);
}

const QString Ascii63 = QString(63, QLatin1Char('a'));
const QString Han31 = QString(31, QChar(0x4E2D)); // 中, two bytes each

INSTANTIATE_TEST_SUITE_P(
    Cases, TrayTipCut,
    ::testing::Values(
        CutCase{"Short", QStringLiteral("Dialtoll - 作者:Tavi"),
                QStringLiteral("Dialtoll - 作者:Tavi")},
        CutCase{"Empty", QString(), QString()}, CutCase{"AsciiExactly63", Ascii63, Ascii63},
        CutCase{"Ascii64LosesOne", Ascii63 + QLatin1Char('b'), Ascii63},
        CutCase{"Han31Is62Bytes", Han31, Han31},
        CutCase{"Han32Is64BytesLosesOne", Han31 + QChar(0x4E2D), Han31},
        // 62 bytes of ASCII leave one byte: a Chinese character would straddle byte 63.
        CutCase{"HanStraddlingIsDropped", QString(62, QLatin1Char('a')) + QStringLiteral("中x"),
                QString(62, QLatin1Char('a'))},
        CutCase{"AsciiAfterHanFillsTheLastByte", Han31 + QStringLiteral("xy"),
                Han31 + QLatin1Char('x')}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(TrayTipCut, RealOffLineTipIsCutAtAWholeCharacter) {
    MeterFigures figures;
    figures.TitLb = QStringLiteral("Dialtoll(脱机)");
    figures.TitLb += QString(20, QChar(0x6D4B)); // 测, a long title that overflows the field
    const QString tip = BuildTrayTip(figures, false, QDateTime(QDate(2001, 3, 8), QTime(9, 5, 3)));
    const QString cut = CutToTrayTip(tip);
    EXPECT_TRUE(tip.startsWith(cut));
    EXPECT_LT(cut.size(), tip.size());
    EXPECT_LE(GbkBytes(cut), 63);
    // Nothing more would have fitted: the next character takes it over the field.
    EXPECT_GT(GbkBytes(tip.left(cut.size() + 1)), 63);
}

TEST(TrayTipCut, CharacterOutsideTheBasicPlaneStaysWhole) {
    // U+20000 is a surrogate pair in UTF-16: it is kept or dropped whole, never halved.
    const QString a62(62, QLatin1Char('a'));
    const QString pair = QString::fromUcs4(U"\U00020000");
    const QString cut = CutToTrayTip(a62 + pair + pair);
    EXPECT_FALSE(cut.back().isHighSurrogate());
    EXPECT_TRUE(cut == a62 || cut == a62 + pair) << cut.size();
}

TEST(BuildTrayTip, OnLineShowsTheRemainingPlannedTime) {
    MeterFigures figures;
    figures.TitLb = QStringLiteral("Dialtoll(联机)");
    figures.Label5 = QStringLiteral("1800 秒");
    EXPECT_EQ(BuildTrayTip(figures, true, QDateTime(QDate(2001, 3, 8), QTime(9, 5, 3))),
              QStringLiteral("Dialtoll(联机) - 作者:Tavi 计划时间剩余:1800 秒"));
}

TEST(BuildTrayTip, OffLineShowsThePresentDateAndTime) {
    MeterFigures figures;
    figures.TitLb = QStringLiteral("Dialtoll(脱机)");
    figures.Label5 = QStringLiteral("1800 秒");
    EXPECT_EQ(BuildTrayTip(figures, false, QDateTime(QDate(2001, 3, 8), QTime(9, 5, 3))),
              QStringLiteral("Dialtoll(脱机) - 作者:Tavi 2001年3月8日 9:05:03"));
    EXPECT_EQ(BuildTrayTip(figures, false, QDateTime(QDate(2024, 12, 31), QTime(23, 59, 0))),
              QStringLiteral("Dialtoll(脱机) - 作者:Tavi 2024年12月31日 23:59:00"));
}

// Fleet mode: saves waiting for the server lead the tip, so cutting a long tip never hides them.
TEST(BuildTrayTip, UnsentSavesLeadTheTipAndSurviveTheCut) {
    MeterFigures figures;
    figures.TitLb = QStringLiteral("Dialtoll(联机)");
    figures.Label5 = QStringLiteral("1小时59分59秒");
    const QString tip = BuildTrayTip(figures, true, QDateTime(QDate(2001, 3, 8), QTime(9, 5, 3)));
    EXPECT_EQ(WithUnsentLine(tip, 0), tip);
    EXPECT_EQ(WithUnsentLine(tip, 3), QStringLiteral("未上传: 3\n") + tip);
    EXPECT_TRUE(
        CutToTrayTip(WithUnsentLine(tip, 12345)).startsWith(QStringLiteral("未上传: 12345\n")));
}

} // namespace
