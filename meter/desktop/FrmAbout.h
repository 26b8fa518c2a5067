#pragma once

#include <QDialog>

class QLabel;
class Shell;

// The about box: name, version, author, the maker's mail and home page as links, and a
// picture with the maker's name down its middle.
class FrmAbout : public QDialog {
    Q_OBJECT

public:
    explicit FrmAbout(Shell& shell, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setLabel8Text(const QString& name);

    Shell& m_shell;
    QLabel* m_mailLink = nullptr;
    QLabel* m_homeLink = nullptr;
    QLabel* m_label8 = nullptr;
};
