#include "meter/desktop/Form1.h"

#include "common/DataFolder.h"
#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/desktop/HoverHelp.h"
#include "meter/desktop/MainWindowArt.h"
#include "meter/desktop/MakerAddresses.h"
#include "meter/desktop/MeterMenus.h"
#include "meter/desktop/MinutesValidator.h"
#include "meter/desktop/ProgramIcon.h"
#include "meter/desktop/TitleBarZones.h"
#include "meter/desktop/tray/TrayBadge.h"
#include "meter/desktop/tray/TrayTipText.h"
#include "meter/desktop/tray/cSysTray.h"
#include "meter/engine/PlanPresets.h"
#include "meter/fleet/FleetUploaderThread.h"
#include "meter/settings/CaptionDrag.h"
#include "meter/settings/Form2.h"
#include "meter/store/AutoRunSetting.h"
#include "meter/store/IniLayout.h"
#include "meter/store/PlanChoiceFile.h"
#include "meter/store/StoreStartup.h"
#include "platform/Clock.h"
#include "platform/DialUpDialogs.h"
#include "platform/DialUpNetwork.h"
#include "platform/DialogKeys.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QWindow>
#include <QWindowStateChangeEvent>

using namespace std::chrono_literals;

namespace {

const QStringList LinkResetItems = {"Label22", "Label23", "Label24", "Label26", "Label30"};

// The labels that show the engine's figures.
const std::pair<const char*, QString MeterFigures::*> FigureLabels[] = {
    {"User", &MeterFigures::User},       {"Label5", &MeterFigures::Label5},
    {"Label38", &MeterFigures::Label38}, {"Label9", &MeterFigures::Label9},
    {"Label7", &MeterFigures::Label7},   {"Label11", &MeterFigures::Label11},
    {"Label13", &MeterFigures::Label13}, {"Label15", &MeterFigures::Label15},
    {"Label17", &MeterFigures::Label17}, {"Label19", &MeterFigures::Label19},
    {"Label21", &MeterFigures::Label21}, {"Label30", &MeterFigures::Label30},
    {"NowL", &MeterFigures::NowL},       {"TimeL", &MeterFigures::TimeL},
    {"SSL", &MeterFigures::SSL},         {"HHS", &MeterFigures::HHS},
    {"DDS", &MeterFigures::DDS},
};

} // namespace

Form1::Form1(MeterServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)),
      m_engine(EngineServices{m_services.clock, m_store, m_services.network, m_services.sound,
                              m_services.registry, m_services.prompter, m_services.dataFolder,
                              m_services.executablePath}),
      m_form2([this](QWidget* owner) {
          return new Form2(m_services.clock, m_services.prompter, m_engine, m_services.dataFolder,
                           owner);
      }),
      m_form3([this](QWidget* owner) {
          return new Form3(m_store, m_services.registry, m_services.prompter, m_engine,
                           m_services.executablePath, owner);
      }),
      m_indv([this](QWidget* owner) {
          return new Indv(m_store, m_services.prompter, m_engine, m_services.clock, owner);
      }),
      m_about([this](QWidget*) { return new FrmAbout(m_services.shell); }),
      m_extForm([this](QWidget* owner) {
          auto* window = new ExtForm(m_store, m_services.prompter, m_engine, owner);
          connect(window, &ExtForm::exitConfirmed, this, &QWidget::close);
          return window;
      }) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Dialtoll 2.0"));
    setWindowIcon(ProgramIcon());
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(480, 420);
    setMouseTracking(true);
    buildControls();
    // Return on a focused button presses it.
    new DialogKeys(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (!child->objectName().isEmpty())
            child->installEventFilter(this);
    }
    for (QGroupBox* frame : findChildren<QGroupBox*>())
        frame->setMouseTracking(true);
    startDragging();
    m_menus = new MeterMenus(this);
    m_tray = new cSysTray(this);
    connectCommands();
    connectTray();
    setUpLogin();
    showFigures();

    connect(&m_engine, &MeterEngine::figuresChanged, this, &Form1::showFigures);
    connect(&m_engine, &MeterEngine::planChoiceChanged, this, &Form1::showPlanChoice);
    connect(&m_engine, &MeterEngine::autoSaveTimerChanged, this, &Form1::applyAutoSaveTimer);
    // Not modal and not owned: the meter runs on while it waits, hidden or not.
    connect(this, &Form1::exitPasswordRequested, this, [this] { m_extForm.show(nullptr); });
    connect(m_opt, &QRadioButton::clicked, &m_engine, &MeterEngine::Opt_Click);
    connect(m_text1, &QLineEdit::textEdited, &m_engine, &MeterEngine::setCustomText);
    // Filters whatever reaches the box: keys, input method commits, pastes and drops.
    m_text1->setValidator(new MinutesValidator(m_text1));
    m_opt->setMouseTracking(true);
}

Form1::~Form1() = default;

void Form1::connectCommands() {
    const auto on = [this](const char* name, auto command) {
        connect(m_menus->item(QString::fromLatin1(name)), &QAction::triggered, this, command);
    };
    on("mnuMove", [this] { startMoveMode(); });
    on("mnuMinx", [this] { hideMainWindow(); });
    on("mnuClose", [this] { hideMainWindow(); });
    on("mnuOpen", [this] { openMainWindow(); });
    on("mnuSet", [this] { showSettings(); });
    on("mnuView", [this] { startCompanion(QStringLiteral("Statdesk")); });
    on("mnuLogin", [this] { startCompanion(QStringLiteral("Enroldesk")); });
    on("mnuMan", [this] { showAdministratorSettings(); });
    on("mnuInd", [this] { showPersonalSettings(); });
    on("mnuHome", [this] { m_services.shell.openUrl(QUrl(MakerAddresses::HomePage)); });
    on("mnuEmail", [this] {
        m_services.shell.openUrl(QUrl(QStringLiteral("mailto:") + MakerAddresses::Mail));
    });
    on("mnuChat", [this] { m_services.shell.openUrl(QUrl(MakerAddresses::ChatRoom)); });
    on("mnuCut", [this] { m_engine.HangUpAll(); });
    on("mnuAbout", [this] { showAbout(); });
    on("mnuExit", [this] { close(); });

    const auto button = [this](const char* name, auto command) {
        connect(findChild<QPushButton*>(QString::fromLatin1(name)), &QPushButton::clicked, this,
                command);
    };
    button("Command1", [this] { m_form2.show(this); });
    button("Command4", [this] { m_indv.show(this); });
    button("Command2", [this] { startCompanion(QStringLiteral("Statdesk")); });
    button("Command3", [this] { m_engine.HangUpAll(); });
}

void Form1::connectTray() {
    // The icon shows the link's state from here on.
    new TrayBadge(m_engine, *m_tray, this);
    m_tray->setTrayTip(QStringLiteral("Dialtoll - 作者:Tavi"));
    connect(m_tray, &cSysTray::MouseUp, this, [this](int button, int) {
        if (button == 1) {
            openMainWindow();
        } else {
            MeterMenus::popUp(m_menus->trayMenu(), QCursor::pos());
        }
    });
    connect(m_tray, &cSysTray::dockedChanged, this, &Form1::trayDockedChanged);
}

void Form1::Form_Load() {
    // Hidden, but not minimised: on X11 a minimised state makes every later show map the
    // window as an icon.
    hide();
    m_tray->setInTray(true);
    buildPresets();
    m_engine.clearLinked();
    m_fleetConfig = FleetConfig::load(m_services.dataFolder);
    openDatabase();
    // Saves an earlier run had to keep for later reach the store before anything is loaded.
    m_engine.applySaveJournal();
    m_engine.setLoginGranted(false);
    restorePlanChoice();
    try {
        m_engine.hsLoad();
    } catch (const StoreError&) {
        // The load is start-up's last step; the timers take over anyway.
    }
    startTimers();
    startDialogWatch();
    if (!m_tray->docked()) {
        // Without a tray the program could not be reached at all: show the window instead.
        qWarning("Dialtoll: the desktop has no system tray (yet); showing the main window.");
        openMainWindow();
    }
}

void Form1::openDatabase() {
    StoreStartup startup(m_store, DataFilePath(m_services.dataFolder, Store::FileName),
                         m_services.clock.now().date());
    if (!startup.open())
        noteStoreProblem(startup.problem());
    else
        startFleet();
}

void Form1::noteStoreProblem(const QString& problem) {
    // A meter that records nothing must say so, but only once until the store works again.
    if (m_storeProblem.isEmpty())
        emit recordingUnavailable(QStringLiteral("现在不记录上网时间。\n") + problem);
    m_storeProblem = problem;
    updateTrayTip();
    if (!m_storeRetry.isActive()) {
        m_storeRetry.setInterval(10s);
        connect(&m_storeRetry, &QTimer::timeout, this, &Form1::retryStore, Qt::UniqueConnection);
        m_storeRetry.start();
    }
}

void Form1::retryStore() {
    // A session that is running has no records to continue; the next one will.
    if (m_unloaded || m_engine.state().Linked)
        return;
    StoreStartup startup(m_store, DataFilePath(m_services.dataFolder, Store::FileName),
                         m_services.clock.now().date());
    if (!startup.open())
        return;
    m_storeRetry.stop();
    m_storeProblem.clear();
    startFleet();
    try {
        m_engine.hsLoad();
    } catch (const StoreError&) {
    }
    updateTrayTip();
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
    // What did not go stays in the outbox for the next start.
    stopFleet();
    closeLoginForShutdown();
    m_form2.close();
    m_about.close();
    m_form3.close();
    ApplyAutoRunSetting(m_store, m_services.registry, m_services.executablePath);
    m_store.close();
    WritePlanChoice(settingPath(), selectedPreset(), m_opt->isChecked(), m_text1->text());
    m_unloaded = true;
    for (QTimer* timer :
         {&m_evtTimer, &m_timer1, &m_menvy, &m_timer3, &m_tipClock, &m_autoSave, &m_storeRetry})
        timer->stop();
    m_tmerSchedule.stop();
    m_services.network.setChangeHandler({});
    m_services.dialUpDialogs.setChangeHandler({});
    m_tray->setInTray(false);
    emit unloaded();
    return true;
}

void Form1::saveForSessionEnd() {
    if (m_unloaded)
        return;
    m_engine.AutoSave();
    WritePlanChoice(settingPath(), selectedPreset(), m_opt->isChecked(), m_text1->text());
}

void Form1::endWithoutPassword() {
    m_engine.CanExt(false);
    Form_Unload();
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
    for (const auto& [name, figure] : FigureLabels) {
        // Changed figures only: one not computed yet keeps its design text, an emptied one
        // is shown empty.
        if (figures.*figure == m_shownFigures.*figure)
            continue;
        if (QLabel* label = m_figureLabels.value(QLatin1String(name)))
            label->setText(figures.*figure);
    }
    m_shownFigures = figures;
    if (m_titLb->text() != figures.TitLb) {
        m_titLb->setText(figures.TitLb);
        m_titLb->adjustSize();
    }
    updateTrayTip();
}

void Form1::updateTrayTip() {
    // The tray has no hover event: the tip is kept current with the figures instead.
    QString tip = WithUnsentLine(
        BuildTrayTip(m_engine.figures(), m_engine.state().Linked, m_services.clock.now()),
        m_unsent);
    if (!m_storeProblem.isEmpty())
        tip = StoreProblemTrayNotice + QLatin1Char(' ') + tip;
    if (tip != m_tray->TrayTip())
        m_tray->setTrayTip(tip);
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

// Commands.

void Form1::openMainWindow() {
    // Centred on the screen each time it is opened.
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    // Restores a window iconified in the taskbar (no tray icon to come back through).
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    m_ownedWindows.showAgain();
}

void Form1::hideMainWindow() {
    hideOwnedWindows();
    if (m_tray->docked()) {
        withdraw();
    } else {
        // No tray icon to come back through: to the taskbar rather than out of sight.
        showMinimized();
    }
}

void Form1::trayDockedChanged(bool docked) {
    if (m_unloaded)
        return;
    if (docked) {
        // Once the icon is in a tray, a window kept in the taskbar in its stead withdraws.
        if (isVisible() && isMinimized())
            withdraw();
    } else if (!isVisible()) {
        // The icon went with its tray: a taskbar entry stands in until a tray comes back.
        showMinimized();
    }
}

void Form1::withdraw() {
    hide();
    // Not within the event that reported the minimising: it may come from the native window.
    if (isMinimized())
        QMetaObject::invokeMethod(this, &Form1::forgetMinimised, Qt::QueuedConnection);
}

void Form1::forgetMinimised() {
    if (isVisible() || !isMinimized())
        return;
    // A hidden window keeps its minimised state, and X11 then maps it as an icon at the next
    // show, or maps it behind the toolkit's back when the state is cleared. A new native
    // window starts out normal.
    destroy();
    setWindowState(windowState() & ~Qt::WindowMinimized);
}

void Form1::hideOwnedWindows() {
    m_ownedWindows.hide({m_form2.window(), m_form3.window(), m_indv.window()});
}

QWidget* Form1::dialogOwner() const {
    return isVisible() ? const_cast<Form1*>(this) : nullptr;
}

void Form1::showSettings() {
    m_form2.show(dialogOwner());
}

void Form1::showAdministratorSettings() {
    m_form3.show(dialogOwner());
}

void Form1::showPersonalSettings() {
    m_indv.show(dialogOwner());
}

void Form1::showAbout() {
    m_about.show(nullptr);
}

void Form1::startCompanion(const QString& program) {
    const QString path = QFileInfo(m_services.executablePath).dir().filePath(program);
    if (const auto failure = m_services.shell.startProgram(path))
        m_services.prompter.error(*failure);
}

void Form1::startMoveMode() {
    setCursor(Qt::SizeAllCursor);
    // The middle of the painted title band, where a press ends this pointer and moves the
    // window. (The window has no system caption above its client area to skip.)
    QCursor::setPos(mapToGlobal(
        QPoint(width() / 2, TitleBarZones::BandHeight / 2 / TitleBarZones::TwipsPerPixel)));
}

// Title band, dragging and hover help.

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintMainWindowBackground(painter, size(), m_image1->geometry());
}

void Form1::startDragging() {
    // Any button on the title label, or on the bare band outside the icon, moves the window.
    auto* drag = new CaptionDrag(this, [this](const QObject* pressed, const QMouseEvent& event) {
        if (pressed == m_titLb)
            return true;
        const QPoint pixels = event.position().toPoint();
        return pressed == this && childAt(pixels) == nullptr &&
               TitleBarZones::StartsMove(TitleBarZones::ToTwips(pixels));
    });
    drag->addHandle(m_titLb);
    // Installed after the drag, so it sees every press on the background and the title first.
    installEventFilter(this);
    m_titLb->installEventFilter(this);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    if (childAt(event->position().toPoint()) == nullptr)
        m_tbr->setText(DefaultHoverHelp);
    QWidget::mouseMoveEvent(event);
}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pixels = event->position().toPoint();
    if (childAt(pixels) == nullptr && TitleBarZones::InIconArea(TitleBarZones::ToTwips(pixels))) {
        const QPoint at = event->button() == Qt::LeftButton
                              ? mapToGlobal(QPoint(30, 255) / TitleBarZones::TwipsPerPixel)
                              : event->globalPosition().toPoint();
        MeterMenus::popUp(m_menus->windowMenu(), at);
    }
    QWidget::mouseReleaseEvent(event);
}

bool Form1::handleTitleBand(QObject* watched, QEvent* event) {
    if (watched != m_image1)
        return false;
    if (event->type() == QEvent::MouseMove) {
        const QPoint twips =
            TitleBarZones::ToTwips(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (TitleBarZones::InButtonRow(twips)) {
            switch (TitleBarZones::ButtonAt(twips)) {
            case TitleBarZones::ButtonZone::Minimise:
                m_image1->setToolTip(QStringLiteral("最小化"));
                break;
            case TitleBarZones::ButtonZone::Close:
                m_image1->setToolTip(QStringLiteral("关闭"));
                break;
            case TitleBarZones::ButtonZone::None:
                m_image1->setToolTip(QString());
                break;
            }
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const QPoint twips =
            TitleBarZones::ToTwips(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (TitleBarZones::ButtonAt(twips) != TitleBarZones::ButtonZone::None)
            hideMainWindow();
        return true;
    } else if (event->type() == QEvent::MouseButtonPress) {
        return true;
    }
    return false;
}

void Form1::setLinkColours(const QColor& colour, QLabel* only) {
    for (QLabel* link : m_links) {
        if (only && link != only)
            continue;
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, colour);
        link->setPalette(palette);
    }
}

void Form1::showHelp(QObject* item) {
    QString help;
    if (item == m_opt) {
        help = m_engine.customHelpText();
    } else if (const int index = m_presets.indexOf(qobject_cast<QRadioButton*>(item)); index >= 0) {
        help = m_engine.presetHelpText(index);
    } else if (const auto text = HoverHelpText(item->objectName(), m_engine.currentUser())) {
        help = *text;
    } else {
        return;
    }
    m_tbr->setText(help);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // A press on the band (its background or the title on it) ends the move pointer of the
    // 移动 command.
    if ((watched == this || watched == m_titLb) && event->type() == QEvent::MouseButtonPress)
        unsetCursor();
    if (watched == this && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        QMetaObject::invokeMethod(this, &Form1::updateVisibleTimers, Qt::QueuedConnection);
    if (handleTitleBand(watched, event))
        return true;
    const QString name = watched->objectName();
    switch (event->type()) {
    case QEvent::Enter:
        if (m_links.contains(watched))
            setLinkColours(QColor(0, 0, 255), static_cast<QLabel*>(watched));
        else if (LinkResetItems.contains(name))
            setLinkColours(Qt::black);
        if (!qobject_cast<QGroupBox*>(watched))
            showHelp(watched);
        break;
    case QEvent::MouseMove:
        // The plan choices' help counts the remaining time down while the pointer moves.
        if (watched == m_opt || m_presets.contains(qobject_cast<QRadioButton*>(watched)))
            showHelp(watched);
        // Over a frame's own background (or the panel behind the figures) the help resets.
        if (auto* frame = qobject_cast<QGroupBox*>(watched)) {
            const QWidget* under =
                frame->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (!under || under->objectName() == QLatin1String("Label2"))
                m_tbr->setText(DefaultHoverHelp);
            if (!under && name == QLatin1String("Frame2"))
                setLinkColours(Qt::black);
        }
        break;
    case QEvent::MouseButtonRelease:
        if (name == QLatin1String("Label25"))
            m_services.shell.openUrl(QUrl(QStringLiteral("mailto:") + MakerAddresses::Mail));
        else if (name == QLatin1String("Label27"))
            m_services.shell.openUrl(QUrl(MakerAddresses::HomePage));
        else if (name == QLatin1String("Label15"))
            showHelp(watched);
        break;
    default:
        break;
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
    if (event->type() == QEvent::WindowStateChange) {
        const bool wasMinimized =
            static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
        if (isMinimized() && !wasMinimized) {
            hideOwnedWindows();
            // Minimised with a tray icon to come back through, the window leaves the taskbar.
            if (m_tray->docked())
                withdraw();
        } else if (!isMinimized() && wasMinimized && isVisible()) {
            m_ownedWindows.showAgain();
        }
    }
    QWidget::changeEvent(event);
}
