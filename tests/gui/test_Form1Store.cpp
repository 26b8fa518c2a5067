#include "common/Store.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/tray/cSysTray.h"
#include "support/FakePlatform.h"
#include "support/StoreFiles.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QtTest>

namespace {

const QString ExePath = QStringLiteral("/opt/dialtoll/Dialtoll");
const QString NotRecording = QStringLiteral("未记录：数据库无法打开");

struct Meter : FakePlatform {
    explicit Meter(const TempFolder& folder) : form(meterServices(folder.path(), ExePath)) {}
    Form1 form;
};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class Form1Store : public QObject {
    Q_OBJECT
private slots:
    // A first start that was killed left part of the file: this start completes it and the
    // meter records.
    void startCompletesAFileLeftByAnInterruptedFirstStart() {
        TempFolder folder;
        const QString path = folder.file(Store::FileName);
        QCOMPARE(MakeUnfinishedStore(path, 12, QDate(2026, 3, 2)), QString());
        Meter meter(folder);
        QSignalSpy unavailable(&meter.form, &Form1::recordingUnavailable);
        meter.form.Form_Load();

        QVERIFY(meter.form.storeDb().isOpen());
        QCOMPARE(unavailable.count(), 0);
        QVERIFY(!meter.form.tray().TrayTip().startsWith(NotRecording));
        TempFolder reference;
        OpenStore(reference.file(Store::FileName), QDate(2026, 3, 2));
        QCOMPARE(StoreSnapshot(path), StoreSnapshot(reference.file(Store::FileName)));

        meter.network.setConnected(true);
        meter.form.engine().EvtTimer();
        StoreQuery notes = meter.form.storeDb().query("select count(*) from Notes");
        QVERIFY(notes.next());
        QCOMPARE(notes.value(0).toLongLong(), 2);
        QVERIFY(meter.form.Form_Unload());
    }

    // A store that cannot be opened is said once, shown in the tray tip and never written; once
    // it can be used (here: the bad file was moved away) the meter records again by itself.
    void unusableStoreIsSaidAndTriedAgain() {
        TempFolder folder;
        const QString path = folder.file(Store::FileName);
        WriteFile(path, QByteArray(8192, '\x5a'));
        const QByteArray before = FileChecksum(path);
        Meter meter(folder);
        QSignalSpy unavailable(&meter.form, &Form1::recordingUnavailable);
        meter.form.Form_Load();

        QVERIFY(!meter.form.storeDb().isOpen());
        QCOMPARE(unavailable.count(), 1);
        const QString said = unavailable.first().first().toString();
        QVERIFY2(said.contains(path) && said.contains("它不是本软件的数据库"), qPrintable(said));
        QVERIFY(meter.form.tray().TrayTip().startsWith(NotRecording));
        QCOMPARE(FileChecksum(path), before);

        QVERIFY(QFile::rename(path, path + ".bad"));
        QTRY_VERIFY_WITH_TIMEOUT(meter.form.storeDb().isOpen(), 30000);
        QVERIFY(!meter.form.tray().TrayTip().startsWith(NotRecording));
        QCOMPARE(unavailable.count(), 1);
        QVERIFY(meter.form.Form_Unload());
        QCOMPARE(FileChecksum(path + ".bad"), before);
    }
};

QTEST_MAIN(Form1Store)
#include "test_Form1Store.moc"
