#pragma once

#include "meter/settings/DayList.h"
#include "meter/settings/SystemSettings.h"
#include "platform/FileChooser.h"

#include <QString>
#include <QWidget>
#include <memory>

class Clock;
class MeterEngine;
class Prompter;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The system settings window: tariff, the holiday, rest-day and make-up workday lists, and
// the public account's reminder and countdown. It loads the settings file when it is created
// and rewrites it on OK.
class Form2 : public QWidget {
    Q_OBJECT
public:
    // `mainEngine` is the main window's engine, whose context is reloaded after a save.
    // `files` chooses the calendar to import; the desktop's file dialog when null.
    Form2(Clock& clock, Prompter& prompter, MeterEngine& mainEngine, QString dataFolder,
          QWidget* parent = nullptr, std::unique_ptr<FileChooser> files = nullptr);
    ~Form2() override;

    // Adds `entry` to `list` (List1, List2 or List3) unless the same text is listed already.
    void AdItm(const QString& entry, QListWidget* list);

    // The buttons' work.
    void Command1_Click(); // add a holiday
    void Command2_Click(); // add a rest day
    void Command3_Click(); // delete the selected holiday
    void Command4_Click(); // delete the selected rest day
    void Command5_Click(); // OK
    void Command6_Click(); // Cancel
    void Command7_Click(); // add a make-up workday
    void Command8_Click(); // delete the selected make-up workday
    void Command9_Click(); // import holidays and make-up workdays from a calendar file

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct DayListView {
        QListWidget* widget = nullptr;
        QLineEdit* input = nullptr;
        QPushButton* deleteButton = nullptr;
        QString placeholder;
        DayList entries;
    };

    void buildControls();
    void Form_Load();
    SystemSettings editedSettings() const;
    QString iniPath() const;
    int currentYear() const;
    DayListView* viewOf(const QListWidget* list);
    void showEntries(DayListView& view, const QStringList& entries);
    void deleteSelected(DayListView& view);
    void refuse(QLineEdit* input, const QString& message);
    void addDate(DayListView& view);
    void importCalendar(const QString& path);

    Clock& m_clock;
    Prompter& m_prompter;
    MeterEngine& m_engine;
    QString m_dataFolder;

    QLabel* m_label1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text5 = nullptr;
    QLineEdit* m_text8 = nullptr;
    QLineEdit* m_text9 = nullptr;
    QLineEdit* m_text10 = nullptr;
    QCheckBox* m_ck1 = nullptr;
    DayListView m_holidays;
    DayListView m_restDays;
    DayListView m_workdays;
    std::unique_ptr<FileChooser> m_files;
};
