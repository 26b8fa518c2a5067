// Files the fuzzer found where writing one key changed what another key reads.

#include "meter/store/IniFunctions.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct RoundTripCase {
    const char* file;
    const char* section; // the key the check reads, before and after the write
    const char* key;
};

TEST(IniFileRoundTrip, AWriteKeepsWhatEveryOtherKeyReads) {
    const RoundTripCase cases[] = {
        // An empty "[]" section first: the key of the second one stays hidden behind it.
        {"[]\n[]\nk=1\n", "", "k"},
        {"[]\nk=1\n[]\nk=2\n", "", "k"},
        {"a=1\n[]\nk=2\n", "", "k"},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.file);
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("veyranettimer.ini"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.file);
        file.close();

        const QString section = QString::fromUtf8(c.section);
        const QString key = QString::fromUtf8(c.key);
        const std::string before =
            ReadIni(section, key, QStringLiteral("missing"), path).toStdString();
        ASSERT_TRUE(WriteIni(QStringLiteral("时间设置"), QStringLiteral("Spare"), "60", path));
        EXPECT_EQ(ReadIni(section, key, QStringLiteral("missing"), path).toStdString(), before);
        EXPECT_EQ(ReadIni(QStringLiteral("时间设置"), QStringLiteral("Spare"), "", path), "60");
    }
}

} // namespace
