#pragma once

#include "platform/FileChooser.h"

#include <QList>
#include <QQueue>

// Answers each request with the next queued path (cancelled when none is left) and records
// what was asked.
class ScriptedFileChooser : public FileChooser {
public:
    struct Request {
        QString caption;
        QString suggested;
        QString filter;
    };

    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter, const QString& suffix) override;
    // The `suggested` of its request holds the folder.
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;

    void answerNext(const QString& path) { m_answers.enqueue(path); }
    const QList<Request>& requests() const { return m_requests; }

private:
    QQueue<QString> m_answers;
    QList<Request> m_requests;
};
