#pragma once

#include <QObject>
#include <QString>

// Drops typed characters a box does not accept before they reach it. Keys that type nothing
// (Backspace, arrows, shortcuts) pass; text committed by an input method keeps only its
// accepted characters.
class KeyCharFilter : public QObject {
    Q_OBJECT
public:
    // `accepted` lists every character that may be typed.
    KeyCharFilter(QString accepted, QObject* parent);

    bool accepts(QChar c) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_accepted;
};
