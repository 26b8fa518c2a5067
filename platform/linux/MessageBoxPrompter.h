#pragma once

#include "platform/Prompter.h"

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
    QString m_title;
    QPointer<QWidget> m_parent;
};
