#include "meter/desktop/Form1.h"

#include "common/DataFolder.h"
#include "common/OpenStore.h"
#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/engine/PlanPresets.h"
#include "meter/store/AutoRunSetting.h"
#include "meter/store/IniLayout.h"
#include "meter/store/PlanChoiceFile.h"
#include "platform/Clock.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

using namespace std::chrono_literals;

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int PresetLeftTwips = 240;
constexpr int PresetTopTwips = 1200;
constexpr int PresetWidthTwips = 1215;
constexpr int PresetHeightTwips = 255;

int Px(int twips) {
    return twips / TwipsPerPixel;
}

// Figure labels in display order, with their captions.
const QList<QPair<QString, QString>> FigureCaptions = {
    {"TitLb", ""},
    {"User", "当前用户:"},
    {"Label5", "剩余时间:"},
    {"Label38", "本次费用:"},
    {"Label9", "当前费率:"},
    {"Label7", "上网次数:"},
    {"Label11", "上网时间:"},
    {"Label13", "上网费用:"},
    {"Label15", "用户数目:"},
    {"Label17", "总次数:"},
    {"Label19", "总时间:"},
    {"Label21", "总费用:"},
    {"Label30", ""},
};

} // namespace

Form1::Form1(MeterServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)),
      m_engine(EngineServices{m_services.clock, m_store, m_services.network, m_services.sound,
                              m_services.registry, m_services.prompter, m_services.dataFolder,
                              m_services.executablePath}) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Dialtoll"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(480, 420);
    buildControls();

    connect(&m_engine, &MeterEngine::figuresChanged, this, &Form1::showFigures);
    connect(&m_engine, &MeterEngine::planChoiceChanged, this, &Form1::showPlanChoice);
    connect(&m_engine, &MeterEngine::autoSaveTimerChanged, this, &Form1::applyAutoSaveTimer);
}

void Form1::buildControls() {
    auto* op0 = new QRadioButton(PlanPresets::Caption(0), this);
    op0->setObjectName(QStringLiteral("Op0"));
    op0->setGeometry(Px(PresetLeftTwips), Px(PresetTopTwips), Px(PresetWidthTwips),
                     Px(PresetHeightTwips));
    m_presets.append(op0);

    m_opt = new QRadioButton(QStringLiteral("指定时间:"), this);
    m_opt->setObjectName(QStringLiteral("Opt"));
    m_opt->setGeometry(Px(1560), Px(PresetTopTwips), Px(1215), Px(PresetHeightTwips));
    m_text1 = new QLineEdit(QStringLiteral("120"), this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(Px(1560), Px(PresetTopTwips + 300), Px(735), Px(285));
    m_text1->installEventFilter(this);
    m_opt->installEventFilter(this);
    connect(m_opt, &QRadioButton::clicked, &m_engine, &MeterEngine::Opt_Click);
    connect(m_text1, &QLineEdit::textEdited, &m_engine, &MeterEngine::setCustomText);

    int top = Px(PresetTopTwips);
    for (const auto& [name, caption] : FigureCaptions) {
        if (!caption.isEmpty()) {
            auto* title = new QLabel(caption, this);
            title->setGeometry(Px(3000), top, Px(1200), Px(PresetHeightTwips));
        }
        auto* figure = new QLabel(this);
        figure->setObjectName(name);
        figure->setGeometry(Px(4200), top, Px(2700), Px(PresetHeightTwips));
        m_figureLabels.insert(name, figure);
        top += Px(PresetHeightTwips) + 2;
    }
    auto* tbr = new QLabel(this);
    tbr->setObjectName(QStringLiteral("Tbr"));
    tbr->setWordWrap(true);
    tbr->setGeometry(Px(240), Px(6300) - 60, Px(6720), 50);
    showFigures();
}

void Form1::Form_Load() {
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
    buildPresets();
    m_engine.clearLinked();
    openDatabase();
    m_engine.setLoginGranted(false);
    restorePlanChoice();
    try {
        m_engine.hsLoad();
    } catch (const StoreError&) {
        // The load is start-up's last step; the timers take over anyway.
    }
    startTimers();
}

void Form1::buildPresets() {
    for (int i = 1; i < PlanPresets::Count; ++i) {
        const QRadioButton* previous = m_presets.at(i - 1);
        auto* op = new QRadioButton(PlanPresets::Caption(i), this);
        op->setObjectName(QStringLiteral("Op%1").arg(i));
        op->setGeometry(previous->x(), previous->y() + previous->height(), previous->width(),
                        previous->height());
        op->setVisible(true);
        m_presets.append(op);
    }
    for (int i = 0; i < PlanPresets::Count; ++i) {
        m_presets.at(i)->installEventFilter(this);
        connect(m_presets.at(i), &QRadioButton::clicked, &m_engine,
                [this, i] { m_engine.Op_Click(i); });
    }
    m_engine.Op_Click(PlanPresets::Default);
}

void Form1::startTimers() {
    // The accounting tick re-arms itself a full interval after each tick ends.
    m_timer1.setSingleShot(true);
    connect(&m_evtTimer, &QTimer::timeout, &m_engine, &MeterEngine::EvtTimer);
    connect(&m_timer1, &QTimer::timeout, this, [this] {
        m_engine.Timer1();
        m_timer1.start();
    });
    connect(&m_tmer, &QTimer::timeout, &m_engine, &MeterEngine::Tmer);
    connect(&m_menvy, &QTimer::timeout, &m_engine, &MeterEngine::Menvy);
    connect(&m_autoSave, &QTimer::timeout, &m_engine, &MeterEngine::AutoSave);
    m_evtTimer.start(120ms);
    m_timer1.start(500ms);
    m_tmer.start(800ms);
    m_menvy.start(900ms);
    applyAutoSaveTimer();
}

void Form1::applyAutoSaveTimer() {
    m_autoSave.setInterval(m_engine.autoSaveIntervalMs());
    if (m_engine.autoSaveEnabled() && !m_unloaded && m_evtTimer.isActive())
        m_autoSave.start();
    else
        m_autoSave.stop();
}

void Form1::openDatabase() {
    const QString path = DataFilePath(m_services.dataFolder, Store::FileName);
    if (!QFile::exists(path)) {
        try {
            OpenStore(path, m_services.clock.now().date());
        } catch (const StoreError&) {
            // Start-up goes on; the open below tells whether anything usable was made.
        }
    } else {
        QFile::setPermissions(path,
                              QFile::permissions(path) | QFile::ReadOwner | QFile::WriteOwner);
    }
    m_store.open(path);
}

void Form1::restorePlanChoice() {
    const PlanChoice choice = ReadPlanChoice(settingPath());
    if (choice.value == IniLayout::PlanChoice::CustomValue) {
        m_engine.Opt_Click();
    } else {
        const double index = NumberFromText(choice.value);
        if (index >= 0 && index < PlanPresets::Count && index == static_cast<int>(index))
            m_engine.Op_Click(static_cast<int>(index));
    }
    m_engine.setCustomText(choice.custom);
    showPlanChoice();
}

bool Form1::Form_Unload() {
    if (m_unloaded)
        return true;
    if (m_engine.extPass()) {
        emit exitPasswordRequested();
        return false;
    }
    m_engine.AutoSave();
    ApplyAutoRunSetting(m_store, m_services.registry, m_services.executablePath);
    m_store.close();
    WritePlanChoice(settingPath(), selectedPreset(), m_opt->isChecked(), m_text1->text());
    m_unloaded = true;
    for (QTimer* timer : {&m_evtTimer, &m_timer1, &m_tmer, &m_menvy, &m_autoSave})
        timer->stop();
    emit unloaded();
    return true;
}

std::optional<int> Form1::selectedPreset() const {
    for (int i = 0; i < m_presets.size(); ++i) {
        if (m_presets.at(i)->isChecked())
            return i;
    }
    return std::nullopt;
}

void Form1::showFigures() {
    const MeterFigures& figures = m_engine.figures();
    const QList<QPair<QString, const QString*>> texts = {
        {"TitLb", &figures.TitLb},     {"User", &figures.User},       {"Label5", &figures.Label5},
        {"Label38", &figures.Label38}, {"Label9", &figures.Label9},   {"Label7", &figures.Label7},
        {"Label11", &figures.Label11}, {"Label13", &figures.Label13}, {"Label15", &figures.Label15},
        {"Label17", &figures.Label17}, {"Label19", &figures.Label19}, {"Label21", &figures.Label21},
        {"Label30", &figures.Label30},
    };
    for (const auto& [name, text] : texts) {
        if (QLabel* label = m_figureLabels.value(name); label && label->text() != *text)
            label->setText(*text);
    }
}

void Form1::showPlanChoice() {
    const int selected = m_engine.selectedPreset();
    for (int i = 0; i < m_presets.size(); ++i) {
        const QSignalBlocker blocker(m_presets.at(i));
        m_presets.at(i)->setChecked(i == selected);
    }
    const QSignalBlocker optBlocker(m_opt);
    m_opt->setChecked(m_engine.customSelected());
    if (m_text1->text() != m_engine.customText()) {
        const QSignalBlocker textBlocker(m_text1);
        m_text1->setText(m_engine.customText());
    }
}

QString Form1::settingPath() const {
    return DataFilePath(m_services.dataFolder, IniLayout::PlanChoice::FileName);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text1 && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && !PlanPresets::KeyAccepted(text.at(0)))
            return true;
    }
    if (event->type() == QEvent::Enter) {
        QString help;
        if (watched == m_opt)
            help = m_engine.customHelpText();
        else if (const int index = m_presets.indexOf(qobject_cast<QRadioButton*>(watched));
                 index >= 0)
            help = m_engine.presetHelpText(index);
        if (!help.isEmpty())
            findChild<QLabel*>(QStringLiteral("Tbr"))->setText(help);
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}

void Form1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        hide();
    QWidget::changeEvent(event);
}
