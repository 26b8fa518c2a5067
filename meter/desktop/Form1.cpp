#include "meter/desktop/Form1.h"

#include "common/DataFolder.h"
#include "common/OpenStore.h"
#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/store/AutoRunSetting.h"
#include "meter/store/IniLayout.h"
#include "meter/store/PlanChoiceFile.h"
#include "platform/Clock.h"

#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int PresetLeftTwips = 240;
constexpr int PresetTopTwips = 1200;
constexpr int PresetWidthTwips = 1215;
constexpr int PresetHeightTwips = 255;

QString PresetCaption(int index) {
    if (index == 0)
        return QStringLiteral("5  分钟");
    if (index == Form1::PresetCount - 1)
        return QStringLiteral("100分钟");
    return QStringLiteral("%1 分钟").arg((index + 1) * 5);
}

} // namespace

Form1::Form1(MeterServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Dialtoll"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(480, 420);

    auto* op0 = new QRadioButton(PresetCaption(0), this);
    op0->setObjectName(QStringLiteral("Op0"));
    op0->setGeometry(PresetLeftTwips / TwipsPerPixel, PresetTopTwips / TwipsPerPixel,
                     PresetWidthTwips / TwipsPerPixel, PresetHeightTwips / TwipsPerPixel);
    m_presets.append(op0);

    m_opt = new QRadioButton(QStringLiteral("指定时间:"), this);
    m_opt->setObjectName(QStringLiteral("Opt"));
    m_opt->setGeometry(1560 / TwipsPerPixel, PresetTopTwips / TwipsPerPixel, 1215 / TwipsPerPixel,
                       PresetHeightTwips / TwipsPerPixel);
    m_text1 = new QLineEdit(QStringLiteral("120"), this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(1560 / TwipsPerPixel, (PresetTopTwips + 300) / TwipsPerPixel,
                         735 / TwipsPerPixel, 285 / TwipsPerPixel);
}

void Form1::Form_Load() {
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
    buildPresets();
    m_engine.setLinked(false);
    openDatabase();
    m_engine.setLoginGranted(false);
    restorePlanChoice();
    m_engine.hsLoad();
}

void Form1::buildPresets() {
    for (int i = 1; i < PresetCount; ++i) {
        const QRadioButton* previous = m_presets.at(i - 1);
        auto* op = new QRadioButton(PresetCaption(i), this);
        op->setObjectName(QStringLiteral("Op%1").arg(i));
        op->setGeometry(previous->x(), previous->y() + previous->height(), previous->width(),
                        previous->height());
        op->setVisible(true);
        m_presets.append(op);
    }
    m_presets.at(DefaultPreset)->setChecked(true);
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
        m_opt->setChecked(true);
    } else {
        const double index = NumberFromText(choice.value);
        if (index >= 0 && index < PresetCount && index == static_cast<int>(index))
            m_presets.at(static_cast<int>(index))->setChecked(true);
    }
    m_text1->setText(choice.custom);
}

bool Form1::Form_Unload() {
    if (m_unloaded)
        return true;
    if (m_engine.extPass()) {
        emit exitPasswordRequested();
        return false;
    }
    m_engine.autoSaveStep();
    ApplyAutoRunSetting(m_store, m_services.registry, m_services.executablePath);
    m_store.close();
    WritePlanChoice(settingPath(), selectedPreset(), m_opt->isChecked(), m_text1->text());
    m_unloaded = true;
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

QString Form1::settingPath() const {
    return DataFilePath(m_services.dataFolder, IniLayout::PlanChoice::FileName);
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
