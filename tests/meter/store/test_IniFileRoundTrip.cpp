// Files the fuzzer found where writing one key changed what another key reads.

#include "meter/store/IniFunctions.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct RoundTripCase {
    const char* file;
    // The key the check reads, before and after the write. UTF-16, because QString::fromUtf8
    // drops a leading U+FEFF.
    const char16_t* section;
    const char16_t* key;
};

TEST(IniFileRoundTrip, AWriteKeepsWhatEveryOtherKeyReads) {
    const RoundTripCase cases[] = {
        // An empty "[]" section first: the key of the second one stays hidden behind it.
        {"[]\n[]\nk=1\n", u"", u"k"},
        {"[]\nk=1\n[]\nk=2\n", u"", u"k"},
        {"a=1\n[]\nk=2\n", u"", u"k"},
        // A key that starts with U+FEFF, first in the file after a blank: the rewritten file must
        // not start with it, or the reader takes it for a byte order mark and drops it.
        {"\r\xEF\xBB\xBF=\n\n", u"", u"\uFEFF"},
        {"\t\xEF\xBB\xBFk=1\n", u"", u"\uFEFFk"},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.file);
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("veyranettimer.ini"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.file);
        file.close();

        const QString section = QStringView(c.section).toString();
        const QString key = QStringView(c.key).toString();
        const std::string before =
            ReadIni(section, key, QStringLiteral("missing"), path).toStdString();
        ASSERT_TRUE(WriteIni(QStringLiteral("时间设置"), QStringLiteral("Spare"), "60", path));
        EXPECT_EQ(ReadIni(section, key, QStringLiteral("missing"), path).toStdString(), before);
        EXPECT_EQ(ReadIni(QStringLiteral("时间设置"), QStringLiteral("Spare"), "", path), "60");
    }
}

} // namespace
