#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <initializer_list>

// The windows a window owns go away when it hides and come back when it shows again, as
// owned windows do on the desktop. A window opened without owner is left alone.
class OwnedWindows {
public:
    explicit OwnedWindows(QWidget* owner) : m_owner(owner) {}

    // Hides those of `windows` that the owner owns and that are showing.
    void hide(std::initializer_list<QWidget*> windows);
    // Shows again what `hide` hid, in front of the owner.
    void showAgain();

private:
    QWidget* m_owner;
    QList<QPointer<QWidget>> m_hidden;
};
