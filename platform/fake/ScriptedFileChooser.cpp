#include "platform/fake/ScriptedFileChooser.h"

QString ScriptedFileChooser::saveFileName(QWidget*, const QString& caption,
                                          const QString& suggested, const QString& filter,
                                          const QString&) {
    m_requests.append({caption, suggested, filter});
    return m_answers.isEmpty() ? QString() : m_answers.dequeue();
}

QString ScriptedFileChooser::openFileName(QWidget*, const QString& caption, const QString& folder,
                                          const QString& filter) {
    m_requests.append({caption, folder, filter});
    return m_answers.isEmpty() ? QString() : m_answers.dequeue();
}
