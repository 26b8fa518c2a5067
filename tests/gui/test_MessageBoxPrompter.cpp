#include "common/QtTranslations.h"
#include "platform/linux/MessageBoxPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Runs `handle` on the next message box once it shows, then lets it close with its default.
void OnNextBox(const std::function<void(QMessageBox&)>& handle) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handle] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        handle(*box);
        QAbstractButton* answer = box->defaultButton() ? box->defaultButton() : box->buttons()[0];
        answer->click();
    });
    poll->start(10);
}

QStringList ButtonTexts(const QMessageBox& box) {
    QStringList texts;
    for (const QAbstractButton* button : box.buttons())
        texts << button->text();
    texts.sort();
    return texts;
}

} // namespace

class MessageBoxPrompterTest : public QObject {
    Q_OBJECT
private slots:
    void buttonsSpeakChineseOnceQtsTranslationsAreInstalled() {
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!QFile::exists(folder + QStringLiteral("/qtbase_zh_CN.qm")))
            QSKIP("Qt's Chinese translations (qt6-translations-l10n) are not installed");
        MessageBoxPrompter prompter(QStringLiteral("Dialtoll"));

        QStringList before;
        OnNextBox([&](QMessageBox& box) { before = ButtonTexts(box); });
        prompter.question(QStringLiteral("是否断开连接？"));
        QCOMPARE(before, QStringList({"&No", "&Yes"}));

        QVERIFY(InstallQtTranslations(*QApplication::instance()));
        QStringList question;
        OnNextBox([&](QMessageBox& box) { question = ButtonTexts(box); });
        prompter.question(QStringLiteral("是否断开连接？"));
        QCOMPARE(question, QStringList({"否(&N)", "是(&Y)"}));

        for (const auto& show : std::initializer_list<std::function<void()>>{
                 [&] { prompter.error(QStringLiteral("管理员密码错！")); },
                 [&] { prompter.information(QStringLiteral("用户已注消！")); }}) {
            QStringList notice;
            OnNextBox([&](QMessageBox& box) { notice = ButtonTexts(box); });
            show();
            QCOMPARE(notice, QStringList({"确定"}));
        }
    }

    void boxesAreWideEnoughForTheWindowManagerToShowTheTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("Enroldesk") << "Enroldesk"
                                   << "用户不存在！";
        QTest::newRow("Statdesk") << "Statdesk"
                                  << "无管理员！";
        QTest::newRow("Dialtoll") << "Dialtoll"
                                  << "是";
    }

    void boxesAreWideEnoughForTheWindowManagerToShowTheTitle() {
        QFETCH(QString, title);
        QFETCH(QString, text);
        MessageBoxPrompter prompter(title);
        // A title bar carries, beside the title in a bold face, the window's icon and its
        // minimise, maximise and close buttons: at least 24 pixels each.
        QFont bold = QApplication::font();
        bold.setBold(true);
        const int needed = QFontMetrics(bold).horizontalAdvance(title) + 4 * 24;

        for (const auto& show : std::initializer_list<std::function<void()>>{
                 [&] { prompter.error(text); }, [&] { prompter.information(text); },
                 [&] { prompter.question(text); }}) {
            int width = 0;
            OnNextBox([&](QMessageBox& box) { width = box.width(); });
            show();
            QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
        }
        // A long message still makes the box as wide as it needs.
        const QString longText(60, QChar(u'长'));
        int width = 0;
        OnNextBox([&](QMessageBox& box) { width = box.width(); });
        prompter.error(longText);
        QVERIFY(width > QFontMetrics(QApplication::font()).horizontalAdvance(longText) / 2);
    }
};

QTEST_MAIN(MessageBoxPrompterTest)
#include "test_MessageBoxPrompter.moc"
