#include "meter/settings/Form2.h"

#include "common/StoreError.h"
#include "meter/engine/MeterEngine.h"
#include "meter/settings/CalendarImport.h"
#include "meter/settings/CalendarImportDialog.h"
#include "meter/settings/DayEntryRules.h"
#include "meter/settings/KeyCharFilter.h"
#include "meter/settings/SystemSettingsFile.h"
#include "meter/settings/TitleBand.h"
#include "meter/settings/TwipsControls.h"
#include "meter/store/IniLayout.h"
#include "platform/Clock.h"
#include "platform/DialogKeys.h"
#include "platform/Prompter.h"
#include "platform/linux/FileDialogChooser.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace {

using TwipsControls::Button;
using TwipsControls::Group;
using TwipsControls::Twips;
using TwipsControls::TwipsPerPixel;

// Wide enough for the three day lists side by side.
constexpr int WidthTwips = 7245;  // 483 pixels
constexpr int HeightTwips = 5445; // 363 pixels
constexpr int GroupWidthTwips = WidthTwips - 180;

const QString Digits = QStringLiteral("0123456789");
const QString DatePlaceholder = QStringLiteral("此处填写日期然后添加");
const QString DateToolTip = QStringLiteral("可以填为:X月X日 也可填为:XXXX年X月X日");

// Calendar files larger than this are no calendars of holidays.
constexpr qint64 MaxCalendarBytes = 16 * 1024 * 1024;

QLabel* Caption(const QString& text, QWidget* parent, const QRect& geometry) {
    return TwipsControls::Caption(nullptr, text, parent, geometry);
}

QLineEdit* Box(const char* name, const QString& text, QWidget* parent, const QRect& geometry) {
    return TwipsControls::Box(name, text, parent, geometry);
}

} // namespace

Form2::Form2(Clock& clock, Prompter& prompter, MeterEngine& mainEngine, QString dataFolder,
             QWidget* parent, std::unique_ptr<FileChooser> files)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_clock(clock), m_prompter(prompter),
      m_engine(mainEngine), m_dataFolder(std::move(dataFolder)),
      m_files(files ? std::move(files) : std::make_unique<FileDialogChooser>()) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Dialtoll设置"));
    setFixedSize(WidthTwips / TwipsPerPixel, HeightTwips / TwipsPerPixel);
    buildControls();
    Form_Load();
}

Form2::~Form2() = default;

void Form2::buildControls() {
    m_label1 = TitleBand::Install(this, QStringLiteral("Dialtoll设置"), "Label1", WidthTwips);

    // Time settings.
    QGroupBox* time =
        Group("Frame1", QStringLiteral("时间设置"), this, Twips(90, 420, GroupWidthTwips, 1050));
    m_text2 = Box("Text2", QStringLiteral("08:00"), time, Twips(120, 300, 600, 300));
    Caption(QStringLiteral("至"), time, Twips(735, 300, 210, 300));
    m_text3 = Box("Text3", QStringLiteral("23:00"), time, Twips(960, 300, 600, 300));
    m_text8 = Box("Text8", QStringLiteral("6.2"), time, Twips(1635, 300, 480, 300));
    Caption(QStringLiteral("元/小时 其余时间:"), time, Twips(2145, 300, 1530, 300));
    m_text4 = Box("Text4", QStringLiteral("4.2"), time, Twips(3690, 300, 480, 300));
    Caption(QStringLiteral("元/小时"), time, Twips(4200, 300, 690, 300));
    Caption(QStringLiteral("时间剩余:"), time, Twips(120, 690, 840, 300));
    m_text1 = Box("Text1", QStringLiteral("60"), time, Twips(960, 690, 480, 300));
    Caption(QStringLiteral("秒时声音提醒"), time, Twips(1470, 690, 1140, 300));
    m_ck1 = new QCheckBox(QStringLiteral("时间结束询问是否断线"), time);
    m_ck1->setObjectName(QStringLiteral("Ck1"));
    m_ck1->setGeometry(Twips(2640, 690, 2340, 300));

    // Holiday settings: three lists side by side, each with its box and buttons below it.
    QGroupBox* days =
        Group("Frame2", QStringLiteral("节假日设置"), this, Twips(90, 1530, GroupWidthTwips, 2850));
    Caption(QStringLiteral("全天费用:"), days, Twips(120, 300, 840, 300));
    m_text5 = Box("Text5", QStringLiteral("4.2"), days, Twips(960, 300, 480, 300));
    Caption(QStringLiteral("元/小时"), days, Twips(1470, 300, 690, 300));
    QPushButton* command9 = Button("Command9", QStringLiteral("导入日历…"), days,
                                   Twips(GroupWidthTwips - 1620, 300, 1500, 300));
    command9->setToolTip(QStringLiteral("从日历文件（.ics）导入节日和补班日"));

    constexpr int ListWidth = 2205;
    constexpr int ListGap = 105;
    const auto buildList = [&](DayListView& view, int column, const QString& caption,
                               const char* listName, const char* inputName,
                               const QString& placeholder, const char* addName,
                               const QString& addText, const char* deleteName,
                               const QString& deleteText) {
        const int left = 120 + column * (ListWidth + ListGap);
        Caption(caption, days, Twips(left, 660, ListWidth, 240));
        view.placeholder = placeholder;
        view.widget = new QListWidget(days);
        view.widget->setObjectName(QLatin1String(listName));
        view.widget->setGeometry(Twips(left, 900, ListWidth, 1170));
        view.widget->setSelectionMode(QAbstractItemView::SingleSelection);
        view.input = Box(inputName, placeholder, days, Twips(left, 2130, ListWidth, 300));
        view.input->installEventFilter(this);
        const int buttonWidth = (ListWidth - ListGap) / 2;
        QPushButton* add = Button(addName, addText, days, Twips(left, 2460, buttonWidth, 300));
        view.deleteButton = Button(deleteName, deleteText, days,
                                   Twips(left + buttonWidth + ListGap, 2460, buttonWidth, 300));
        view.deleteButton->setEnabled(false);
        // A list without a selected entry has nothing to delete.
        QListWidget* widget = view.widget;
        QPushButton* deleteButton = view.deleteButton;
        connect(widget, &QListWidget::itemSelectionChanged, deleteButton, [widget, deleteButton] {
            deleteButton->setEnabled(!widget->selectedItems().isEmpty());
        });
        return add;
    };
    QPushButton* command1 =
        buildList(m_holidays, 0, QStringLiteral("节日"), "List1", "Text6", DatePlaceholder,
                  "Command1", QStringLiteral("添加节日"), "Command3", QStringLiteral("删除节日"));
    m_holidays.input->setToolTip(DateToolTip);
    QPushButton* command2 =
        buildList(m_restDays, 1, QStringLiteral("假日"), "List2", "Text7",
                  QStringLiteral("此处填写星期如星期六"), "Command2", QStringLiteral("添加假日"),
                  "Command4", QStringLiteral("删除假日"));
    QPushButton* command7 =
        buildList(m_workdays, 2, QStringLiteral("补班日"), "List3", "Text11", DatePlaceholder,
                  "Command7", QStringLiteral("添加补班"), "Command8", QStringLiteral("删除补班"));
    m_workdays.input->setToolTip(DateToolTip);
    m_workdays.widget->setToolTip(QStringLiteral("补班日虽是假日，仍按时间设置的时段计费"));
    showEntries(m_holidays, DayEntryRules::BuiltInHolidays());
    showEntries(m_restDays, DayEntryRules::BuiltInRestDays());
    connect(command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(command7, &QPushButton::clicked, this, &Form2::Command7_Click);
    connect(m_holidays.deleteButton, &QPushButton::clicked, this, &Form2::Command3_Click);
    connect(m_restDays.deleteButton, &QPushButton::clicked, this, &Form2::Command4_Click);
    connect(m_workdays.deleteButton, &QPushButton::clicked, this, &Form2::Command8_Click);
    connect(command9, &QPushButton::clicked, this, &Form2::Command9_Click);

    // Countdown settings; the boxes are filled by the load. They sit one above the other with
    // the window's buttons beside them.
    constexpr int ButtonWidth = 1245;
    const int buttonLeft = 90 + GroupWidthTwips - ButtonWidth;
    QGroupBox* countdown = Group("Frame3", QStringLiteral("倒计时器设置"), this,
                                 Twips(90, 4410, buttonLeft - 210, 960));
    Caption(QStringLiteral("倒计时标题:"), countdown, Twips(120, 270, 990, 300));
    m_text9 = Box("Text9", QString(), countdown, Twips(1110, 270, buttonLeft - 1560, 300));
    Caption(QStringLiteral("日期时间:"), countdown, Twips(120, 600, 990, 300));
    m_text10 = Box("Text10", QString(), countdown, Twips(1110, 600, buttonLeft - 1560, 300));

    QPushButton* command5 = Button("Command5", QStringLiteral("确定(&T)"), this,
                                   Twips(buttonLeft, 4680, ButtonWidth, 300));
    QPushButton* command6 = Button("Command6", QStringLiteral("取消(&C)"), this,
                                   Twips(buttonLeft, 5010, ButtonWidth, 300));
    connect(command5, &QPushButton::clicked, this, &Form2::Command5_Click);
    connect(command6, &QPushButton::clicked, this, &Form2::Command6_Click);
    // Esc is 取消; Enter in the boxes keeps its own uses (adding a list entry).
    (new DialogKeys(this))->setCancelButton(command6);

    // Input filters.
    auto* numbers = new KeyCharFilter(Digits + u'.', this);
    for (QLineEdit* box : {m_text1, m_text8, m_text4, m_text5})
        box->installEventFilter(numbers);
    auto* times = new KeyCharFilter(Digits + u':', this);
    m_text2->installEventFilter(times);
    m_text3->installEventFilter(times);
    m_text10->installEventFilter(new KeyCharFilter(Digits + QStringLiteral("/-:年月日 "), this));
}

void Form2::Form_Load() {
    const SystemSettings s = SystemSettingsFile::Load(iniPath(), currentYear());
    m_text1->setText(s.spare);
    m_ck1->setChecked(s.ask);
    m_text2->setText(s.from);
    m_text3->setText(s.to);
    m_text8->setText(s.dayRate);
    m_text4->setText(s.nightRate);
    m_text5->setText(s.holidayRate);
    showEntries(m_holidays, s.holidays);
    showEntries(m_restDays, s.restDays);
    showEntries(m_workdays, s.workdays);
    m_text9->setText(s.countdownTitle);
    m_text10->setText(s.countdownDateTime);
    // Long texts show from their start, not scrolled to the cursor at their end.
    for (QLineEdit* box : {m_text9, m_text10})
        box->setCursorPosition(0);
}

SystemSettings Form2::editedSettings() const {
    SystemSettings s;
    s.spare = m_text1->text();
    s.ask = m_ck1->isChecked();
    s.from = m_text2->text();
    s.to = m_text3->text();
    s.dayRate = m_text8->text();
    s.nightRate = m_text4->text();
    s.holidayRate = m_text5->text();
    s.holidays = m_holidays.entries.entries();
    s.restDays = m_restDays.entries.entries();
    s.workdays = m_workdays.entries.entries();
    s.countdownTitle = m_text9->text();
    s.countdownDateTime = m_text10->text();
    return s;
}

QString Form2::iniPath() const {
    return QDir(m_dataFolder).filePath(IniLayout::Settings::FileName);
}

int Form2::currentYear() const {
    return m_clock.now().date().year();
}

Form2::DayListView* Form2::viewOf(const QListWidget* list) {
    if (list == m_holidays.widget)
        return &m_holidays;
    if (list == m_restDays.widget)
        return &m_restDays;
    if (list == m_workdays.widget)
        return &m_workdays;
    return nullptr;
}

void Form2::showEntries(DayListView& view, const QStringList& entries) {
    view.entries = DayList(entries);
    view.widget->clear();
    view.widget->addItems(view.entries.entries());
}

void Form2::AdItm(const QString& entry, QListWidget* list) {
    DayListView* view = viewOf(list);
    if (!view)
        return;
    const int row = view->entries.add(entry);
    if (row >= 0)
        view->widget->insertItem(row, entry);
}

void Form2::refuse(QLineEdit* input, const QString& message) {
    m_prompter.error(message);
    TwipsControls::SelectAll(input);
}

// Holidays and make-up workdays take the same forms of date.
void Form2::addDate(DayListView& view) {
    const std::optional<QString> entry =
        DayEntryRules::HolidayEntry(view.input->text(), currentYear());
    if (!entry) {
        refuse(view.input, QStringLiteral("日期格式无效！"));
        return;
    }
    AdItm(*entry, view.widget);
    view.input->clear();
}

void Form2::Command1_Click() {
    addDate(m_holidays);
}

void Form2::Command2_Click() {
    const std::optional<QString> entry = DayEntryRules::RestDayEntry(m_restDays.input->text());
    if (!entry) {
        refuse(m_restDays.input, QStringLiteral("星期格式错误！"));
        return;
    }
    AdItm(*entry, m_restDays.widget);
    m_restDays.input->clear();
}

void Form2::deleteSelected(DayListView& view) {
    const QList<QListWidgetItem*> selected = view.widget->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = view.widget->row(selected.first());
    const int next = view.entries.removeAt(row);
    delete view.widget->takeItem(row);
    if (next < 0) {
        view.widget->clearSelection();
        view.deleteButton->setEnabled(false);
        return;
    }
    view.widget->setCurrentRow(next, QItemSelectionModel::ClearAndSelect);
}

void Form2::Command3_Click() {
    deleteSelected(m_holidays);
}

void Form2::Command4_Click() {
    deleteSelected(m_restDays);
}

void Form2::Command7_Click() {
    addDate(m_workdays);
}

void Form2::Command8_Click() {
    deleteSelected(m_workdays);
}

void Form2::Command9_Click() {
    const QString path =
        m_files->openFileName(this, QStringLiteral("导入日历"), QDir::homePath(),
                              QStringLiteral("日历文件 (*.ics *.ical *.ifb);;所有文件 (*)"));
    if (!path.isEmpty())
        importCalendar(path);
}

void Form2::importCalendar(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompter.error(QStringLiteral("无法读取日历文件！"));
        return;
    }
    // Read with a bound, as the size of a pipe or device says nothing.
    const QByteArray bytes = file.read(MaxCalendarBytes + 1);
    if (bytes.size() > MaxCalendarBytes) {
        m_prompter.error(QStringLiteral("日历文件过大，没有导入任何日期。"));
        return;
    }
    CalendarImport::Result result = CalendarImport::Read(bytes, currentYear());
    if (!result.error.isEmpty()) {
        m_prompter.error(result.error);
        return;
    }
    CalendarImport::MarkListed(result.days, m_holidays.entries.entries(),
                               m_workdays.entries.entries());
    if (std::all_of(result.days.begin(), result.days.end(),
                    [](const CalendarImport::Day& day) { return day.listed; })) {
        m_prompter.information(QStringLiteral("日历中的日期都已在列表中。"));
        return;
    }
    // The lists change only here; the file only with OK, as for any other change.
    CalendarImportDialog confirm(result, this);
    if (confirm.exec() != QDialog::Accepted)
        return;
    for (const CalendarImport::Day& day : confirm.chosenDays())
        AdItm(CalendarImport::Entry(day.date),
              day.kind == CalendarImport::Kind::Holiday ? m_holidays.widget : m_workdays.widget);
}

void Form2::Command5_Click() {
    m_text2->setText(SystemSettingsFile::CorrectedTime(m_text2->text()));
    m_text3->setText(SystemSettingsFile::CorrectedTime(m_text3->text()));
    if (!SystemSettingsFile::Save(editedSettings(), iniPath(), currentYear())) {
        // The old file is still in place; the edits stay here for another try or Cancel.
        m_prompter.error(QStringLiteral("设置无法保存！"));
        return;
    }
    try {
        m_engine.hsLoad();
    } catch (const StoreError&) {
        // The settings are saved; the main window loads its context again at its next chance.
    }
    close();
}

void Form2::Command6_Click() {
    close();
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    DayListView* view = watched == m_holidays.input   ? &m_holidays
                        : watched == m_restDays.input ? &m_restDays
                        : watched == m_workdays.input ? &m_workdays
                                                      : nullptr;
    if (!view)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        if (view == &m_restDays)
            Command2_Click();
        else
            addDate(*view);
        return true;
    }
    case QEvent::FocusIn:
        if (view->input->text() == view->placeholder)
            view->input->clear();
        return false;
    case QEvent::FocusOut:
        if (view->input->text().trimmed().isEmpty())
            view->input->setText(view->placeholder);
        return false;
    default:
        return false;
    }
}

void Form2::paintEvent(QPaintEvent*) {
    TitleBand::Paint(this);
}
