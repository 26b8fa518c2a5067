#include "platform/fake/ScriptedPrompter.h"

void ScriptedPrompter::error(const QString& text) {
    m_messages.append({Icon::Error, text});
}

void ScriptedPrompter::information(const QString& text) {
    m_messages.append({Icon::Information, text});
}

bool ScriptedPrompter::question(const QString& text) {
    m_messages.append({Icon::Question, text});
    return m_answers.isEmpty() ? false : m_answers.dequeue();
}
