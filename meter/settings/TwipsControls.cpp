#include "meter/settings/TwipsControls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace TwipsControls {

namespace {

template <typename Control> Control* Placed(Control* control, const char* name, const QRect& at) {
    if (name)
        control->setObjectName(QLatin1String(name));
    control->setGeometry(at);
    return control;
}

} // namespace

QRect Twips(int left, int top, int width, int height) {
    return QRect(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                 height / TwipsPerPixel);
}

QLabel* Caption(const char* name, const QString& text, QWidget* parent, const QRect& geometry) {
    return Placed(new QLabel(text, parent), name, geometry);
}

QLineEdit* Box(const char* name, const QString& text, QWidget* parent, const QRect& geometry) {
    return Placed(new QLineEdit(text, parent), name, geometry);
}

QLineEdit* PasswordBox(const char* name, QWidget* parent, const QRect& geometry) {
    QLineEdit* box = Box(name, QString(), parent, geometry);
    box->setEchoMode(QLineEdit::Password);
    // The style's own mask is a dot; these windows have always shown "*".
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return box;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent, const QRect& geometry) {
    return Placed(new QPushButton(text, parent), name, geometry);
}

QCheckBox* Check(const char* name, const QString& text, QWidget* parent, const QRect& geometry) {
    return Placed(new QCheckBox(text, parent), name, geometry);
}

QGroupBox* Group(const char* name, const QString& title, QWidget* parent, const QRect& geometry) {
    return Placed(new QGroupBox(title, parent), name, geometry);
}

void SelectAll(QLineEdit* box) {
    box->setFocus();
    box->setSelection(box->text().size(), -box->text().size());
}

} // namespace TwipsControls
