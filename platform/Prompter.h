#pragma once

#include <QString>

// Message boxes: one OK button, or Yes and No for a question. The title is the program's name.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void error(const QString& text) = 0;
    virtual void information(const QString& text) = 0;
    // True for Yes.
    virtual bool question(const QString& text) = 0;
};
