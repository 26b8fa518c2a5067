#include "platform/DialogKeys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// Swallows Return in the box it watches, as a box with its own use for Enter does.
class OwnEnter : public QObject {
public:
    using QObject::QObject;
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Return)
            return false;
        ++presses;
        return true;
    }
};

// A plain widget window with a box, a box that keeps Enter, and four buttons.
struct Window {
    Window() {
        auto* layout = new QVBoxLayout(&widget);
        for (QWidget* control : {static_cast<QWidget*>(box), static_cast<QWidget*>(ownBox),
                                 static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel),
                                 static_cast<QWidget*>(other), static_cast<QWidget*>(autoDefault)})
            layout->addWidget(control);
        ownBox->installEventFilter(&ownEnter);
        autoDefault->setAutoDefault(true); // clicks itself on Return
        keys->setDefaultButton(ok);
        keys->setCancelButton(cancel);
        widget.show();
    }

    // Presses `key` in `target` after giving it the focus.
    void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    QWidget widget;
    QLineEdit* box = new QLineEdit;
    QLineEdit* ownBox = new QLineEdit;
    QPushButton* ok = new QPushButton("确定");
    QPushButton* cancel = new QPushButton("取消");
    QPushButton* other = new QPushButton("其他");
    QPushButton* autoDefault = new QPushButton("自动");
    OwnEnter ownEnter;
    DialogKeys* keys = new DialogKeys(&widget);
    QSignalSpy okClicks{ok, &QPushButton::clicked};
    QSignalSpy cancelClicks{cancel, &QPushButton::clicked};
    QSignalSpy otherClicks{other, &QPushButton::clicked};
    QSignalSpy autoClicks{autoDefault, &QPushButton::clicked};
};

} // namespace

class DialogKeysTest : public QObject {
    Q_OBJECT
private slots:
    void keysClickTheRightButton_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<int>>("clicks"); // ok, cancel, other, autoDefault
        const int none = Qt::NoModifier;
        const int keypad = Qt::KeypadModifier;
        QTest::newRow("Return in a box")
            << "box" << int(Qt::Key_Return) << none << QList<int>{1, 0, 0, 0};
        QTest::newRow("Enter in a box")
            << "box" << int(Qt::Key_Enter) << keypad << QList<int>{1, 0, 0, 0};
        QTest::newRow("Ctrl+Return in a box")
            << "box" << int(Qt::Key_Return) << int(Qt::ControlModifier) << QList<int>{0, 0, 0, 0};
        QTest::newRow("box keeping Enter")
            << "ownBox" << int(Qt::Key_Return) << none << QList<int>{0, 0, 0, 0};
        QTest::newRow("Return on a button")
            << "other" << int(Qt::Key_Return) << none << QList<int>{0, 0, 1, 0};
        QTest::newRow("Enter on a button")
            << "other" << int(Qt::Key_Enter) << keypad << QList<int>{0, 0, 1, 0};
        QTest::newRow("Return on cancel")
            << "cancel" << int(Qt::Key_Return) << none << QList<int>{0, 1, 0, 0};
        QTest::newRow("auto-default button, once")
            << "autoDefault" << int(Qt::Key_Return) << none << QList<int>{0, 0, 0, 1};
        QTest::newRow("Esc in a box")
            << "box" << int(Qt::Key_Escape) << none << QList<int>{0, 1, 0, 0};
        QTest::newRow("Esc on a button")
            << "other" << int(Qt::Key_Escape) << none << QList<int>{0, 1, 0, 0};
    }

    void keysClickTheRightButton() {
        QFETCH(QString, target);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<int>, clicks);
        Window window;
        const QHash<QString, QWidget*> targets = {{"box", window.box},
                                                  {"ownBox", window.ownBox},
                                                  {"other", window.other},
                                                  {"cancel", window.cancel},
                                                  {"autoDefault", window.autoDefault}};
        window.press(targets.value(target), key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(QList<int>({int(window.okClicks.count()), int(window.cancelClicks.count()),
                             int(window.otherClicks.count()), int(window.autoClicks.count())}),
                 clicks);
        QCOMPARE(window.ownEnter.presses, target == "ownBox" ? 1 : 0);
    }

    void disabledOrUnsetButtonsAreNotClicked() {
        Window window;
        window.ok->setEnabled(false);
        window.press(window.box, Qt::Key_Return);
        QCOMPARE(window.okClicks.count(), 0);

        window.keys->setDefaultButton(nullptr);
        window.keys->setCancelButton(nullptr);
        window.ok->setEnabled(true);
        window.press(window.box, Qt::Key_Return);
        window.press(window.box, Qt::Key_Escape);
        QCOMPARE(window.okClicks.count(), 0);
        QCOMPARE(window.cancelClicks.count(), 0);
    }
};

QTEST_MAIN(DialogKeysTest)
#include "test_DialogKeys.moc"
