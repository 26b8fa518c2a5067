#pragma once

#include "statdesk/SessionGroup.h"

#include <QString>
#include <QWidget>
#include <vector>

class FileChooser;
class Prompter;
class QChart;
class QChartView;
class QCategoryAxis;
class QLabel;
class QLineSeries;
class QValueAxis;

// The chart window: time and fee per start day or month of the listed sessions, on a time axis,
// with a button that saves the picture as PNG.
class StatChart : public QWidget {
    Q_OBJECT
public:
    StatChart(Prompter& prompter, FileChooser& files, QWidget* parent = nullptr);

    // Shows the groups. `subject` names the user and the dates; `suggestedFile` is the folder and
    // name (without ".png") first offered for saving.
    void setUsage(const std::vector<SessionGroup>& groups, GroupPeriod period,
                  const QString& subject, const QString& suggestedFile);

    QChart* chart() const { return m_chart; }
    QLineSeries* hoursSeries() const { return m_hours; }
    QLineSeries* feeSeries() const { return m_fees; }
    QCategoryAxis* timeAxis() const { return m_axisX; }
    QValueAxis* hoursAxis() const { return m_axisHours; }

    // Writes the chart as a PNG file, whole or not at all. Empty on success, else the reason.
    QString savePng(const QString& path);

    void Save_Click();

private:
    Prompter& m_prompter;
    FileChooser& m_files;
    QString m_suggestedFile;
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QLineSeries* m_hours = nullptr;
    QLineSeries* m_fees = nullptr;
    QCategoryAxis* m_axisX = nullptr;
    QValueAxis* m_axisHours = nullptr;
    QValueAxis* m_axisFee = nullptr;
};
