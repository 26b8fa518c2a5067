#pragma once

#include <QRect>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Controls of the settings windows, placed by their geometry in twips (15 twips per pixel).
namespace TwipsControls {

constexpr int TwipsPerPixel = 15;

QRect Twips(int left, int top, int width, int height);

// `name` may be null for a caption no code refers to.
QLabel* Caption(const char* name, const QString& text, QWidget* parent, const QRect& geometry);
QLineEdit* Box(const char* name, const QString& text, QWidget* parent, const QRect& geometry);
// A box that shows "*" for each typed character.
QLineEdit* PasswordBox(const char* name, QWidget* parent, const QRect& geometry);
QPushButton* Button(const char* name, const QString& text, QWidget* parent, const QRect& geometry);
QCheckBox* Check(const char* name, const QString& text, QWidget* parent, const QRect& geometry);
QGroupBox* Group(const char* name, const QString& title, QWidget* parent, const QRect& geometry);

// Gives the box the focus and selects its whole text, the cursor at its start.
void SelectAll(QLineEdit* box);

} // namespace TwipsControls
