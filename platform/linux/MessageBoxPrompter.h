#pragma once

#include "platform/Prompter.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

// QMessageBox with the program's name as title.
class MessageBoxPrompter : public Prompter {
public:
    explicit MessageBoxPrompter(QString title, QWidget* parent = nullptr);
    void error(const QString& text) override;
    void information(const QString& text) override;
    bool question(const QString& text) override;

private:
    QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons);

    QString m_title;
    QPointer<QWidget> m_parent;
};
