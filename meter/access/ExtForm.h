#pragma once

#include <QDialog>

class MeterEngine;
class Prompter;
class QLineEdit;
class Store;

// Asks for the exit password before the meter may end. The right password lifts the
// requirement and asks for the main window to close; 取消 or closing keeps the meter running.
// Shown without blocking the meter: its timers run on meanwhile.
class ExtForm : public QDialog {
    Q_OBJECT
public:
    ExtForm(Store& store, Prompter& prompter, MeterEngine& mainEngine, QWidget* parent = nullptr);

    void Command1_Click(); // 确定
    void Command2_Click(); // 取消

signals:
    // The password was right and the requirement is lifted: the main window closes now.
    void exitConfirmed();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void takeFocus();

    Store& m_store;
    Prompter& m_prompter;
    MeterEngine& m_engine;
    QLineEdit* m_text1 = nullptr;
};
