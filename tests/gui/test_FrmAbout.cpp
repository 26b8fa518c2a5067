#include "meter/desktop/FrmAbout.h"
#include "meter/desktop/MakerAddresses.h"
#include "platform/fake/FakeShell.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextDocument>
#include <QtTest>

namespace {

// Where a plain label's text puts ink, drawn the way the style draws it but onto a canvas with
// room around the label, so text running past its edges shows.
QRect InkRect(const QLabel& label) {
    const int pad = 40;
    QImage canvas(label.size() + QSize(2 * pad, 2 * pad), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setFont(label.font());
        painter.setPen(Qt::black);
        // The label clips what overflows; here it is let through so it can be seen.
        painter.drawText(label.contentsRect().translated(pad, pad),
                         int(label.alignment()) | Qt::TextDontClip, label.text());
    }
    QRect ink;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (qAlpha(canvas.pixel(x, y)) != 0)
                ink |= QRect(x - pad, y - pad, 1, 1);
    return ink;
}

} // namespace

class FrmAboutTest : public QObject {
    Q_OBJECT
private slots:
    void linksOpenTheMakersAddresses() {
        FakeShell shell;
        FrmAbout about(shell);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));

        auto* mail = about.findChild<QLabel*>("Label5");
        auto* home = about.findChild<QLabel*>("Label7");
        QVERIFY(mail && home);
        QCOMPARE(mail->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(home->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(mail->palette().color(QPalette::WindowText), QColor(0, 0, 255));

        QTest::mouseClick(mail, Qt::LeftButton);
        QTest::mouseClick(home, Qt::LeftButton);
        // A right click or a click on a plain label opens nothing.
        QTest::mouseClick(mail, Qt::RightButton);
        QTest::mouseClick(about.findChild<QLabel*>("Label4"), Qt::LeftButton);

        QCOMPARE(shell.openedUrls(),
                 (QList<QUrl>{QUrl(QStringLiteral("mailto:dialtoll@example.org")),
                              QUrl(QString::fromLatin1(MakerAddresses::HomePage))}));
        QVERIFY(about.isVisible());
    }

    void okClosesAndIsTheDefaultButton() {
        FakeShell shell;
        FrmAbout about(shell);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* ok = about.findChild<QPushButton*>("Command1");
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("确定(&T)"));
        QVERIFY(ok->isDefault());
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());

        // Enter anywhere in the box presses the default button.
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key_Return);
        QVERIFY(!about.isVisible());
        QVERIFY(shell.openedUrls().isEmpty());
    }

    void layoutFollowsTheTwips() {
        FakeShell shell;
        FrmAbout about(shell);
        QCOMPARE(about.size(), QSize(322, 188));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QVERIFY(about.windowFlags().testFlag(Qt::Tool));
        QCOMPARE(about.palette().color(QPalette::Window), QColor(192, 204, 208));

        const struct {
            const char* name;
            QRect geometry;
        } expected[] = {
            {"Label1", {57, 8, 208, 21}},   {"Label2", {8, 56, 63, 14}},
            {"Label3", {8, 80, 84, 14}},    {"Label5", {48, 104, 133, 14}},
            {"Label7", {48, 128, 182, 14}}, {"Image1", {240, 56, 73, 87}},
            {"Label8", {268, 57, 25, 85}},  {"Command1", {109, 152, 105, 25}},
        };
        for (const auto& e : expected) {
            QWidget* w = about.findChild<QWidget*>(e.name);
            QVERIFY2(w, e.name);
            QCOMPARE(w->geometry(), e.geometry);
        }
        QCOMPARE(about.findChild<QLabel*>("Label1")->text(), QStringLiteral("Dialtoll"));
        QTextDocument name;
        name.setHtml(about.findChild<QLabel*>("Label8")->text());
        QCOMPARE(name.toPlainText().replace(QChar::LineSeparator, QLatin1Char('\n')),
                 QStringLiteral("V\ne\ny\nr\na\n软\n件"));
        QVERIFY(about.findChild<QFrame*>("Line1"));
    }

    void noLabelTextIsClipped() {
        FakeShell shell;
        FrmAbout about(shell);
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;
            if (label->textFormat() == Qt::RichText) {
                // Rich text is laid out as a document; its size must fit the label.
                QVERIFY2(label->sizeHint().height() <= label->height() &&
                             label->sizeHint().width() <= label->width(),
                         qPrintable(label->objectName()));
                continue;
            }
            const QRect ink = InkRect(*label);
            QVERIFY2(!ink.isEmpty() && label->rect().contains(ink),
                     qPrintable(QStringLiteral("%1 draws over %2,%3 %4x%5")
                                    .arg(label->objectName())
                                    .arg(ink.x())
                                    .arg(ink.y())
                                    .arg(ink.width())
                                    .arg(ink.height())));
        }
    }
};

QTEST_MAIN(FrmAboutTest)
#include "test_FrmAbout.moc"
