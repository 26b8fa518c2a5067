#pragma once

#include <QValidator>

// Keeps only what the custom minutes box accepts: digits and ".". Full-width digits and the
// full-width full stop, as a Chinese input method gives them, become their ASCII forms; every
// other character is dropped. It acts on the whole text, so typing, input method commits,
// pasting and dropping are filtered alike.
class MinutesValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;
};
