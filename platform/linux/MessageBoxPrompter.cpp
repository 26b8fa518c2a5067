#include "platform/linux/MessageBoxPrompter.h"

#include <QMessageBox>

MessageBoxPrompter::MessageBoxPrompter(QString title, QWidget* parent)
    : m_title(std::move(title)), m_parent(parent) {}

void MessageBoxPrompter::error(const QString& text) {
    QMessageBox::critical(m_parent, m_title, text);
}

void MessageBoxPrompter::information(const QString& text) {
    QMessageBox::information(m_parent, m_title, text);
}

bool MessageBoxPrompter::question(const QString& text) {
    return QMessageBox::question(m_parent, m_title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}
