#include "common/TextConventions.h"
#include "meter/desktop/Form1.h"
#include "platform/Prompter.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace {

// Answers each question after a real delay, as a person at a message box does; the nested
// event loop lets the window's timers run meanwhile.
class SlowPrompter : public Prompter {
public:
    SlowPrompter(int delayMs, bool answer) : m_delayMs(delayMs), m_answer(answer) {
        m_clock.start();
    }
    void error(const QString&) override {}
    void information(const QString&) override {}
    bool question(const QString&) override {
        m_asked << m_clock.elapsed();
        QEventLoop loop;
        QTimer::singleShot(m_delayMs, &loop, &QEventLoop::quit);
        loop.exec();
        m_answered << m_clock.elapsed();
        return m_answer;
    }

    // Milliseconds since construction at which each question was shown and answered.
    QList<qint64> m_asked;
    QList<qint64> m_answered;

private:
    QElapsedTimer m_clock;
    int m_delayMs;
    bool m_answer;
};

// The meter with its real timers, a link that is up and a clock the test moves.
struct Meter : FakePlatform {
    Meter(int delayMs, bool answer)
        : prompter(delayMs, answer), form(meterServices(folder.path(), "x", prompter)) {
        form.Form_Load();
        form.engine().Op_Click(0);
        network.setConnected(true);
    }
    double remaining() const { return NumberFromText(form.findChild<QLabel*>("Label5")->text()); }
    // Moves the clock one second past the end of the plan; the timers do the rest.
    void useUpPlan() {
        const SessionState& s = form.engine().state();
        clock.advance(static_cast<qint64>(s.PlanSecs * 1000) - (clock.tickMs() - s.StartTick) +
                      1000);
    }

    TempFolder folder;
    SlowPrompter prompter;
    Form1 form;
};

// An answer 700 ms into the question: a timer that kept its 800 ms phase would check again
// about 100 ms later, usually before the accounting tick has rewritten the figure.
constexpr int AnswerDelayMs = 700;

} // namespace

class Form1TimeUp : public QObject {
    Q_OBJECT
private slots:
    void answeredNoAsksOnceAndExtendsOnce() {
        Meter meter(AnswerDelayMs, false);
        QTRY_COMPARE(meter.form.engine().state().Linked, true);
        for (int round = 1; round <= 4; ++round) {
            meter.useUpPlan();
            QTRY_COMPARE_WITH_TIMEOUT(meter.prompter.m_answered.size(), round, 5000);
            // Once the figure shows the extended plan, no check can ask about this time-up.
            QTRY_VERIFY_WITH_TIMEOUT(meter.remaining() > 0, 5000);
            QVERIFY2(meter.prompter.m_asked.size() == round,
                     qPrintable(QStringLiteral("time-up %1 asked %2 times")
                                    .arg(round)
                                    .arg(meter.prompter.m_asked.size() - round + 1)));
            QCOMPARE(meter.form.engine().selectedPreset(), round);
            QCOMPARE(meter.form.engine().state().PlanSecs, (round + 1) * 300.0);
        }
        QCOMPARE(meter.network.hangUpCount(), 0);
    }

    // Yes while the link is still reported up: asked again, a full interval after the answer.
    void answeredYesAsksAgainAFullIntervalLater() {
        Meter meter(AnswerDelayMs, true);
        QTRY_COMPARE(meter.form.engine().state().Linked, true);
        meter.useUpPlan();
        QTRY_COMPARE_WITH_TIMEOUT(meter.prompter.m_asked.size(), 2, 5000);
        QCOMPARE(meter.network.hangUpCount(), 2);
        const qint64 gap = meter.prompter.m_asked.at(1) - meter.prompter.m_answered.at(0);
        QVERIFY2(gap >= 600, qPrintable(QStringLiteral("asked again after %1 ms").arg(gap)));
    }
};

QTEST_MAIN(Form1TimeUp)
#include "test_Form1TimeUp.moc"
