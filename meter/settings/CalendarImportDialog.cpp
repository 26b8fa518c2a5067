#include "meter/settings/CalendarImportDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

using Kind = CalendarImport::Kind;

enum Column { DateColumn, SummaryColumn, ListColumn, RuleColumn, ColumnCount };

QString ListName(Kind kind) {
    return kind == Kind::Holiday ? QStringLiteral("节日") : QStringLiteral("补班日");
}

QLabel* WrappedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

} // namespace

CalendarImportDialog::CalendarImportDialog(const CalendarImport::Result& result, QWidget* parent)
    : QDialog(parent), m_days(result.days) {
    setObjectName(QStringLiteral("CalendarImportDialog"));
    setWindowTitle(QStringLiteral("导入日历"));
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(WrappedLabel(
        "ImportRule", QStringLiteral("识别规则：") + CalendarImport::WorkdayRuleText(), this));
    // Sentences in Chinese follow one another without a space.
    QStringList notes;
    if (result.firstYear != 0)
        notes.append(QStringLiteral("重复事件按%1年至%2年展开。")
                         .arg(result.firstYear)
                         .arg(result.lastYear));
    if (result.skippedEvents > 0)
        notes.append(QStringLiteral("另有%1个事件不是全天事件或无法读取，未列出。")
                         .arg(result.skippedEvents));
    if (std::any_of(m_days.begin(), m_days.end(), [](const auto& day) { return day.listed; }))
        notes.append(QStringLiteral("灰色的日期已在列表中，不再加入。"));
    if (!notes.isEmpty())
        layout->addWidget(WrappedLabel("ImportNote", notes.join(QString()), this));

    m_table = new QTableWidget(int(m_days.size()), ColumnCount, this);
    m_table->setObjectName(QStringLiteral("ImportList"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("日期"), QStringLiteral("名称"),
                                        QStringLiteral("加入"), QStringLiteral("依据")});
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int row = 0; row < m_days.size(); ++row) {
        const CalendarImport::Day& day = m_days.at(row);
        const QStringList texts = {CalendarImport::Entry(day.date), day.summary,
                                   day.listed ? QStringLiteral("已在列表中") : ListName(day.kind),
                                   day.rule};
        // Only the date of a day not listed yet has a box to tick; a listed day is greyed.
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts.at(column));
            Qt::ItemFlags flags = Qt::ItemIsSelectable;
            if (!day.listed)
                flags |= Qt::ItemIsEnabled;
            if (!day.listed && column == DateColumn)
                flags |= Qt::ItemIsUserCheckable;
            item->setFlags(flags);
            if (flags & Qt::ItemIsUserCheckable)
                item->setCheckState(Qt::Checked);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    m_count = WrappedLabel("ImportCount", QString(), this);
    layout->addWidget(m_count);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("导入(&I)"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("ImportOK"));
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ImportCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_table, &QTableWidget::itemChanged, this, &CalendarImportDialog::updateCount);
    updateCount();

    // Wide enough for every column, tall enough for a year's holidays without much scrolling.
    int width = 0;
    for (int column = 0; column < ColumnCount; ++column)
        width += m_table->columnWidth(column);
    resize(std::clamp(width + 60, 480, 760), 460);
}

QList<CalendarImport::Day> CalendarImportDialog::chosenDays() const {
    QList<CalendarImport::Day> chosen;
    for (int row = 0; row < m_days.size(); ++row) {
        const QTableWidgetItem* date = m_table->item(row, DateColumn);
        if (!m_days.at(row).listed && date->checkState() == Qt::Checked)
            chosen.append(m_days.at(row));
    }
    return chosen;
}

void CalendarImportDialog::updateCount() {
    int holidays = 0;
    int workdays = 0;
    for (const CalendarImport::Day& day : chosenDays())
        ++(day.kind == Kind::Holiday ? holidays : workdays);
    m_count->setText(
        QStringLiteral("将加入%1个节日、%2个补班日；导入后按设置窗口的“确定”才会保存。")
            .arg(holidays)
            .arg(workdays));
    m_ok->setEnabled(holidays + workdays > 0);
}
