#include "statdesk/StatChart.h"

#include "platform/FileChooser.h"
#include "platform/Prompter.h"
#include "statdesk/ChartScale.h"
#include "statdesk/SessionGrouping.h"
#include "statdesk/UsageSeries.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

// Beyond this many points the markers would only blur the line.
constexpr qsizetype MaxMarkedPoints = 120;

QValueAxis* ValueAxis(const QString& title, const QColor& color) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.1f"));
    axis->setTitleBrush(color);
    axis->setLabelsColor(color);
    return axis;
}

void SetRange(QValueAxis* axis, double max) {
    axis->setRange(0, max > 0 ? max * 1.05 : 1);
    axis->applyNiceNumbers();
    // A fixed "%.1f" read 0.0 on every tick for a few minutes' use.
    axis->setLabelFormat(ChartScale::valueFormat(axis->max(), axis->tickCount()));
}

} // namespace

StatChart::StatChart(Prompter& prompter, FileChooser& files, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prompter(prompter), m_files(files) {
    setObjectName(QStringLiteral("StatChart"));
    setWindowTitle(QStringLiteral("Dialtoll统计图表"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_chart = new QChart;
    m_chart->setLocalizeNumbers(false);
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    titleFont.setBold(true);
    m_chart->setTitleFont(titleFont);
    m_hours = new QLineSeries;
    m_hours->setName(QStringLiteral("上网时长（小时）"));
    m_fees = new QLineSeries;
    m_fees->setName(QStringLiteral("花费（元）"));
    m_chart->addSeries(m_hours);
    m_chart->addSeries(m_fees);
    // Labels on whole days or months only: evenly spaced date ticks repeated a day's name.
    m_axisX = new QCategoryAxis;
    m_axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axisHours = ValueAxis(QStringLiteral("时长（小时）"), m_hours->color());
    m_axisFee = ValueAxis(QStringLiteral("花费（元）"), m_fees->color());
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisHours, Qt::AlignLeft);
    m_chart->addAxis(m_axisFee, Qt::AlignRight);
    m_hours->attachAxis(m_axisX);
    m_hours->attachAxis(m_axisHours);
    m_fees->attachAxis(m_axisX);
    m_fees->attachAxis(m_axisFee);
    m_chart->legend()->setAlignment(Qt::AlignBottom);

    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("ChartView"));
    m_view->setRenderHint(QPainter::Antialiasing);

    auto* save = new QPushButton(QStringLiteral("保存图片(&S)"), this);
    save->setObjectName(QStringLiteral("cmdSavePng"));
    save->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, &StatChart::Save_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 6);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    resize(760, 460);
}

void StatChart::setUsage(const std::vector<SessionGroup>& groups, GroupPeriod period,
                         const QString& subject, const QString& suggestedFile) {
    m_suggestedFile = suggestedFile;
    const UsageSeries usage(groups, period);
    m_chart->setTitle(subject + (period == GroupPeriod::Day ? QStringLiteral("　按日")
                                                            : QStringLiteral("　按月")));
    // One replace per series: the chart is laid out once, however many points there are.
    m_hours->replace(usage.hours());
    m_fees->replace(usage.fees());
    const bool marked = usage.hours().size() <= MaxMarkedPoints;
    m_hours->setPointsVisible(marked);
    m_fees->setPointsVisible(marked);
    for (const QString& label : m_axisX->categoriesLabels())
        m_axisX->remove(label);
    if (!usage.isEmpty()) {
        m_axisX->setStartValue(double(usage.firstMs()));
        const QDate first =
            QDateTime::fromMSecsSinceEpoch(qint64(usage.hours().constFirst().x())).date();
        const QDate last =
            QDateTime::fromMSecsSinceEpoch(qint64(usage.hours().constLast().x())).date();
        for (const ChartScale::Tick& tick : ChartScale::timeTicks(first, last, period))
            m_axisX->append(tick.text, double(tick.ms));
        m_axisX->setRange(double(usage.firstMs()), double(usage.lastMs()));
    }
    SetRange(m_axisHours, usage.maxHours());
    SetRange(m_axisFee, usage.maxFee());
}

QString StatChart::savePng(const QString& path) {
    const QImage picture = m_view->grab().toImage();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (!picture.save(&file, "PNG")) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("无法写成PNG图片");
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

void StatChart::Save_Click() {
    const QString path = m_files.saveFileName(
        this, QStringLiteral("保存图表"), m_suggestedFile + QStringLiteral(".png"),
        QStringLiteral("PNG 图片 (*.png)"), QStringLiteral("png"));
    if (path.isEmpty())
        return;
    m_suggestedFile = QFileInfo(path).dir().filePath(QFileInfo(path).completeBaseName());
    const QString fault = savePng(path);
    if (!fault.isEmpty())
        m_prompter.error(
            QStringLiteral("图表没有保存：%1\n%2").arg(QDir::toNativeSeparators(path), fault));
}
