#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;

// The keys people expect of a dialog, for windows that are plain widgets: Return or Enter on a
// focused push button clicks it; Enter elsewhere clicks the default button, if one is set; Esc
// clicks the cancel button, if one is set. It acts only on keys the focused control left
// unhandled, so a box with its own use for Enter keeps it. Owned by the window it watches.
class DialogKeys : public QObject {
    Q_OBJECT
public:
    explicit DialogKeys(QWidget* window);

    void setDefaultButton(QAbstractButton* button);
    void setCancelButton(QAbstractButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool click(QAbstractButton* button);

    QWidget* m_window;
    QPointer<QAbstractButton> m_defaultButton;
    QPointer<QAbstractButton> m_cancelButton;
};
