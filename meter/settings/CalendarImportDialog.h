#pragma once

#include "meter/settings/CalendarImport.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTableWidget;

// Shows the days read from a calendar, each with its summary, the list it goes to and the rule
// that chose that list, before anything is added. The user unticks the days to leave out;
// days a list holds already are shown greyed and are not added again.
class CalendarImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit CalendarImportDialog(const CalendarImport::Result& result, QWidget* parent = nullptr);

    // The ticked days, in the order shown.
    QList<CalendarImport::Day> chosenDays() const;

private:
    void updateCount();

    QList<CalendarImport::Day> m_days;
    QTableWidget* m_table = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_ok = nullptr;
};
