#pragma once

#include <QLabel>

// A one-line label of fixed width that ends a text too long for it with "…" and then shows the
// whole text as its tooltip; text() stays the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The text as painted: the whole text when it fits.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
