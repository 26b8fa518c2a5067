#include "common/CaseFoldedCollation.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

int Compare(const QString& left, const QString& right) {
    const QByteArray a = left.toUtf8();
    const QByteArray b = right.toUtf8();
    return CompareCaseFolded({a.constData(), std::size_t(a.size())},
                             {b.constData(), std::size_t(b.size())});
}

// Fold the whole texts, then compare them by code point.
int Reference(const QString& left, const QString& right) {
    const QList<uint> a = left.toCaseFolded().toUcs4();
    const QList<uint> b = right.toCaseFolded().toUcs4();
    return a < b ? -1 : (b < a ? 1 : 0);
}

TEST(CompareCaseFolded, IgnoresCaseInEveryScript) {
    const struct {
        const char* left;
        const char* right;
        int expected;
    } cases[] = {
        {"Master", "MASTER", 0},
        {"Ärger", "ärger", 0},
        {"ＴＯＭ", "ｔｏｍ", 0}, // full-width Latin
        {"ΣΟΦΊΑ", "σοφία", 0},   // Greek
        {"ΟΔΟΣ", "οδος", 0},     // final sigma folds like sigma
        {"Привет", "пРИВЕТ", 0}, // Cyrillic
        {"𐐀", "𐐨", 0},           // Deseret, outside the BMP
        {"\u212A", "k", 0},      // Kelvin sign folds to k
        {"公用帐号", "公用帐号", 0},
        {"公用帐号", "公用账号", -1}, // different characters stay different
        {"Ärger", "Arger", 1},        // accents are not case
        {"straße", "STRASSE", 1},     // simple folding: ß is not "ss"
        {"", "", 0},
        {"", "a", -1},
        {"ab", "AB c", -1},
        {"B", "a", 1},
    };
    for (const auto& c : cases) {
        const QString left = QString::fromUtf8(c.left);
        const QString right = QString::fromUtf8(c.right);
        EXPECT_EQ(Sign(Compare(left, right)), c.expected) << c.left << " / " << c.right;
        EXPECT_EQ(Sign(Compare(right, left)), -c.expected) << c.right << " / " << c.left;
        EXPECT_EQ(Sign(Reference(left, right)), c.expected) << c.left << " / " << c.right;
    }
}

// Equality, sorting and grouping rely on a consistent order: the same as folding the whole
// texts first, antisymmetric and transitive, malformed bytes included.
TEST(CompareCaseFolded, IsATotalOrder) {
    const std::vector<std::string> texts = {
        "", "a", "A", "b", "ab", "aB", "Ab", "a\x01", "z", "Z", "{", "_", "Ärger", "ärger", "ÄRGER",
        "arger", "ＴＯＭ", "ｔｏｍ", "tom", "\u212A", "K", "k", "ſ", "s", "S", "σ", "ς", "Σ",
        "公用帐号", "Master", "\xEF\xBF\xBF", "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8",
        "\xF4\x8F\xBF\xBF", "\xEE\x80\x80",
        // malformed: a stray continuation byte, a cut sequence, an overlong "A", a surrogate
        "\x80", "a\x80", "\xC3", "\xC1\x81", "\xED\xA0\x80", "\xFF", "\xC3\xC3"};
    const auto cmp = [](const std::string& a, const std::string& b) {
        return Sign(CompareCaseFolded(a, b));
    };
    for (const std::string& a : texts) {
        EXPECT_EQ(cmp(a, a), 0);
        for (const std::string& b : texts) {
            ASSERT_EQ(cmp(a, b), -cmp(b, a)) << a << " / " << b;
            const QString qa = QString::fromStdString(a);
            const QString qb = QString::fromStdString(b);
            // Well-formed texts order exactly as folding them whole does.
            if (qa.toStdString() == a && qb.toStdString() == b) {
                ASSERT_EQ(cmp(a, b), Sign(Reference(qa, qb))) << a << " / " << b;
            }
            for (const std::string& c : texts) {
                if (cmp(a, b) <= 0 && cmp(b, c) <= 0) {
                    ASSERT_LE(cmp(a, c), 0) << a << " / " << b << " / " << c;
                }
                if (cmp(a, b) == 0 && cmp(b, c) == 0) {
                    ASSERT_EQ(cmp(a, c), 0) << a << " / " << b << " / " << c;
                }
            }
        }
    }
}

} // namespace
