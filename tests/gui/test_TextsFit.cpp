// Texts shown in fixed-size controls fit them at the fonts the desktop really has.
#include "common/Store.h"
#include "meter/desktop/ElidedLabel.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/HoverHelp.h"
#include "meter/engine/MeterEngine.h"
#include "meter/engine/PlanPresets.h"
#include "meter/settings/Form2.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>

namespace {

// The longest account name, in characters as wide as any.
const QString LongestUser = QStringLiteral("一二三四五六七八九十甲乙");

// Why `text` does not fit the word-wrapped label, or empty when it does.
QString Overflow(const QLabel* label, const QString& text) {
    const QRect room = label->contentsRect();
    const QRect needed = QFontMetrics(label->font())
                             .boundingRect(room, int(label->alignment()) | Qt::TextWordWrap, text);
    if (needed.height() <= room.height() && needed.width() <= room.width())
        return {};
    return QStringLiteral("%1x%2 needed, %3x%4 there: %5")
        .arg(needed.width())
        .arg(needed.height())
        .arg(room.width())
        .arg(room.height())
        .arg(text);
}

// The width a line edit has for its text: inside its frame and its text margins, less the two
// pixels it keeps free at each side.
int TextRoom(const QLineEdit* box) {
    QStyleOptionFrame frame;
    frame.initFrom(box);
    frame.rect = box->rect();
    frame.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box) : 0;
    const QRect contents = box->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &frame, box)
                               .marginsRemoved(box->textMargins());
    return contents.width() - 2 * 2;
}

// The width a push button has for its text, inside its frame and margins.
int TextRoom(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.rect = button->rect();
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

QString ShownText(const QAbstractButton* button) {
    return QString(button->text()).remove(QLatin1Char('&'));
}

} // namespace

class TextsFitTest : public QObject {
    Q_OBJECT
private slots:
    void everyHelpTextFitsTheHelpLabel() {
        FakePlatform platform;
        TempFolder folder;
        Form1 form(platform.meterServices(folder.path(), "/opt/dialtoll/Dialtoll"));
        form.Form_Load();
        form.engine().setCurrentUser(LongestUser);
        const auto* tbr = form.findChild<QLabel*>("Tbr");
        QVERIFY(tbr);

        QStringList texts;
        for (const QWidget* item : form.findChildren<QWidget*>())
            if (const auto help = HoverHelpText(item->objectName(), LongestUser))
                texts << *help;
        QVERIFY(texts.contains(HoverHelpText("User", LongestUser).value()));
        for (int i = 0; i < PlanPresets::Count; ++i)
            texts << form.engine().presetHelpText(i);
        texts << form.engine().customHelpText();

        for (const QString& text : texts) {
            const QString overflow = Overflow(tbr, text);
            QVERIFY2(overflow.isEmpty(), qPrintable(overflow));
        }
    }

    void aNameOrTitleTooLongForItsLabelEndsWithAnEllipsis() {
        FakePlatform platform;
        TempFolder folder;
        Form1 form(platform.meterServices(folder.path(), "/opt/dialtoll/Dialtoll"));
        form.Form_Load();
        form.show();
        auto* user = form.findChild<ElidedLabel*>("User");
        auto* title = form.findChild<ElidedLabel*>("Label30");
        QVERIFY(user && title);

        const struct {
            ElidedLabel* label;
            QString text;
            bool fits;
        } cases[] = {
            {user, QStringLiteral("公用帐号"), true},
            {user, QStringLiteral("zhang"), true},
            {user, LongestUser, false},
            {title, QStringLiteral("2027年1月1日倒计时"), true},
            {title, QStringLiteral("距离二〇二七年农历新年除夕夜还有多少时间的倒计时"), false},
        };
        for (const auto& c : cases) {
            c.label->setText(c.text);
            QCOMPARE(c.label->text(), c.text);
            const QString shown = c.label->shownText();
            QVERIFY2(QFontMetrics(c.label->font()).horizontalAdvance(shown) <=
                         c.label->contentsRect().width(),
                     qPrintable(shown));
            if (c.fits) {
                QCOMPARE(shown, c.text);
            } else {
                QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
                QVERIFY(c.text.startsWith(shown.chopped(1)));
                // The whole text is one hover away.
                c.label->grab();
                QCOMPARE(c.label->toolTip(), c.text);
            }
        }
    }

    void theCountdownBoxesHoldTheirTexts() {
        FakePlatform platform(QDateTime(QDate(2026, 12, 10), QTime(6, 40)));
        TempFolder folder;
        Store store; // never opened: the window only reads its settings file here
        MeterEngine engine(platform.engineServices(store, folder.path(), "/usr/bin/Dialtoll"));
        Form2 form(platform.clock, platform.prompter, engine, folder.path());
        const auto* text9 = form.findChild<QLineEdit*>("Text9");
        const auto* text10 = form.findChild<QLineEdit*>("Text10");
        QVERIFY(text9 && text10);
        QCOMPARE(text9->text(), QString("2027年1月1日倒计时"));
        QCOMPARE(text10->text(), QString("2027-1-1 0:00:00"));

        const struct {
            const QLineEdit* box;
            QString text;
        } cases[] = {
            {text9, text9->text()},
            {text10, text10->text()},
            // A target typed with 年, 月, 日 and a time of day.
            {text10, QStringLiteral("2027年12月31日 23:59:59")},
        };
        for (const auto& [box, text] : cases) {
            const int needed = box->fontMetrics().horizontalAdvance(text);
            QVERIFY2(
                needed <= TextRoom(box),
                qPrintable(QStringLiteral("%1: %2 > %3").arg(text).arg(needed).arg(TextRoom(box))));
        }
    }

    // The three day lists side by side: their captions, input boxes and buttons.
    void theDayListControlsHoldTheirTexts() {
        FakePlatform platform;
        TempFolder folder;
        Store store;
        MeterEngine engine(platform.engineServices(store, folder.path(), "/usr/bin/Dialtoll"));
        Form2 form(platform.clock, platform.prompter, engine, folder.path());

        QStringList faults;
        for (const char* name : {"Command1", "Command2", "Command3", "Command4", "Command7",
                                 "Command8", "Command9", "Command5", "Command6"}) {
            const auto* button = form.findChild<QPushButton*>(name);
            QVERIFY2(button, name);
            const int needed = button->fontMetrics().horizontalAdvance(ShownText(button));
            if (needed > TextRoom(button))
                faults << QStringLiteral("%1 %2: %3 > %4")
                              .arg(name, ShownText(button))
                              .arg(needed)
                              .arg(TextRoom(button));
        }
        for (const char* name : {"Text6", "Text7", "Text11"}) {
            const auto* box = form.findChild<QLineEdit*>(name);
            QVERIFY2(box, name);
            const int needed = box->fontMetrics().horizontalAdvance(box->text());
            if (needed > TextRoom(box))
                faults << QStringLiteral("%1 %2: %3 > %4")
                              .arg(name, box->text())
                              .arg(needed)
                              .arg(TextRoom(box));
        }
        int captions = 0;
        for (const QLabel* label : form.findChildren<QLabel*>()) {
            if (!QStringList({"节日", "假日", "补班日", "全天费用:"}).contains(label->text()))
                continue;
            ++captions;
            const QString overflow = Overflow(label, label->text());
            if (!overflow.isEmpty())
                faults << overflow;
        }
        QCOMPARE(captions, 4);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    }
};

QTEST_MAIN(TextsFitTest)
#include "test_TextsFit.moc"
