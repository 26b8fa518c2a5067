#include "common/OpenStore.h"
#include "common/Store.h"
#include "platform/fake/ScriptedPrompter.h"
#include "statdesk/CxyGl.h"
#include "statdesk/SessionTableModel.h"
#include "support/PermissionsEnforced.h"
#include "support/StoreFiles.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

namespace {

using Icon = ScriptedPrompter::Icon;

class NoPrinter : public GridPrinter {
public:
    QString print(const QImage&) override { return {}; }
};

std::unique_ptr<CxyGl> LoadedWindow(ScriptedPrompter& prompter, const TempFolder& folder) {
    auto window = std::make_unique<CxyGl>(prompter, folder.path(), std::make_unique<NoPrinter>());
    window->Form_Load();
    return window;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A file of plain SQLite, or encrypted with another key.
void MakeForeignDatabase(const QString& path, const QString& key) {
    const QString program = key.isEmpty() ? QStringLiteral("sqlite3") : QStringLiteral("sqlcipher");
    QProcess shell;
    shell.start(program, {path});
    QVERIFY2(shell.waitForStarted(), qPrintable(program + " is missing"));
    if (!key.isEmpty())
        shell.write(QStringLiteral("PRAGMA key='%1';\n").arg(key).toUtf8());
    shell.write("create table Users (User text); insert into Users values ('Master');\n");
    shell.closeWriteChannel();
    QVERIFY(shell.waitForFinished());
    QCOMPARE(shell.exitCode(), 0);
}

} // namespace

class CxyGlStore : public QObject {
    Q_OBJECT
private slots:
    // WAL needs files beside the database; where the folder cannot be written, the viewer
    // still lists the sessions, and refuses to delete.
    void readOnlyFolderIsViewedAndDeletionRefused() {
        TempFolder folder;
        const QString path = folder.file(Store::FileName);
        OpenStore(path, QDate(2026, 3, 1));
        {
            Store store;
            QVERIFY(store.open(path));
            QVERIFY(store.execute("insert into Notes (User,FromD,ToD,FromT,ToT,Count,ThisMoney,"
                                  "ThisTm) values ('公用帐号','20260302','20260302','10:00:00',"
                                  "'10:01:00',1,0.5,60)"));
        }
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
        struct Restore {
            QString path;
            ~Restore() {
                QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
        } restore{folder.path()};
        const QByteArray before = FileChecksum(path);
        // The suite may run as root, which would write into the folder regardless.
        const PermissionsEnforced enforced;
        QVERIFY2(enforced.active(), "cannot drop the permission override capabilities");

        ScriptedPrompter prompter;
        auto window = LoadedWindow(prompter, folder);
        QVERIFY2(prompter.messages().isEmpty(), qPrintable(prompter.messages().value(0).text));
        QVERIFY(window->hasDatabase());
        QVERIFY(window->isReadOnly());
        for (const char* name : {"Cb2", "Cb5"})
            window->findChild<QComboBox*>(name)->setEditText("2026");
        window->findChild<QComboBox*>("Cb3")->setEditText("3");
        window->findChild<QComboBox*>("Cb6")->setEditText("3");
        window->Command1_Click();
        QVERIFY(prompter.messages().isEmpty());
        QCOMPARE(window->sessions().rowCount(), 2);

        window->findChild<QLineEdit*>("Text1")->setText("qxmeter");
        window->selectRows(0, 0);
        prompter.answerNext(true);
        window->Command3_Click();
        QCOMPARE(prompter.messages().size(), 1);
        QCOMPARE(prompter.messages().first().icon, Icon::Error);
        QVERIFY(prompter.messages().first().text.contains("只读"));
        QCOMPARE(window->sessions().rowCount(), 2);
        window.reset();
        QCOMPARE(FileChecksum(path), before);
    }

    // A file that is no store of ours is named, with what to do, and the store's own text.
    void badFilesAreSaidInASentence_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("garbage") << 0 << "它不是本软件的数据库";
        QTest::newRow("plain SQLite") << 1 << "它不是本软件的数据库";
        QTest::newRow("another key") << 2 << "它不是本软件的数据库";
        QTest::newRow("zero bytes") << 3 << "不完整";
    }
    void badFilesAreSaidInASentence() {
        QFETCH(int, kind);
        QFETCH(QString, says);
        TempFolder folder;
        const QString path = folder.file(Store::FileName);
        switch (kind) {
        case 0:
            WriteFile(path, QByteArray(8192, '\x5a'));
            break;
        case 1:
            MakeForeignDatabase(path, QString());
            break;
        case 2:
            MakeForeignDatabase(path, "another key");
            break;
        case 3:
            WriteFile(path, QByteArray());
            break;
        }
        ScriptedPrompter prompter;
        auto window = LoadedWindow(prompter, folder);
        QCOMPARE(prompter.messages().size(), 1);
        const QString text = prompter.messages().first().text;
        QCOMPARE(prompter.messages().first().icon, Icon::Error);
        QVERIFY2(text.startsWith("数据库文件 " + path) && text.contains(says) &&
                     text.contains("\n详细信息："),
                 qPrintable(text));
    }
};

QTEST_MAIN(CxyGlStore)
#include "test_CxyGlStore.moc"
