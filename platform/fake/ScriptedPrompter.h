#pragma once

#include "platform/Prompter.h"

#include <QList>
#include <QQueue>
#include <QString>

// Records every message and answers questions from a queue (No when it is empty).
class ScriptedPrompter : public Prompter {
public:
    enum class Icon { Error, Information, Question };
    struct Message {
        Icon icon;
        QString text;
    };

    void error(const QString& text) override;
    void information(const QString& text) override;
    bool question(const QString& text) override;

    void answerNext(bool yes) { m_answers.enqueue(yes); }
    const QList<Message>& messages() const { return m_messages; }
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
    QQueue<bool> m_answers;
};
