#include "platform/linux/MessageBoxPrompter.h"

#include <QApplication>
#include <QGridLayout>
#include <QSpacerItem>
#include <cstdio>

namespace {

// Room a window manager's title bar takes beside the title: the window's icon and up to four
// buttons (shade, minimise, maximise, close) with their padding.
constexpr int TitleBarChrome = 128;

// A short message makes a box narrower than its title, which the window manager then cuts to
// "En…esk". The title is measured in a bold face, as title bars draw it.
void KeepTitleVisible(QMessageBox& box, const QString& title) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont bold = QApplication::font("QMdiSubWindowTitleBar");
    bold.setBold(true);
    const int width = QFontMetrics(bold).horizontalAdvance(title) + TitleBarChrome;
    // The box sizes itself from its layout's minimum, so a spacer across the bottom row sets
    // the floor while longer texts still widen it.
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// Where no display shows the box (offscreen), its text goes to standard error as well, so a
// message is never lost unseen.
void EchoWithoutDisplay(const QString& title, const QString& text) {
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        return;
    const QByteArray line = (title + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

MessageBoxPrompter::MessageBoxPrompter(QString title, QWidget* parent)
    : m_title(std::move(title)), m_parent(parent) {}

QMessageBox::StandardButton MessageBoxPrompter::ask(QMessageBox::Icon icon, const QString& text,
                                                    QMessageBox::StandardButtons buttons) {
    EchoWithoutDisplay(m_title, text);
    QMessageBox box(icon, m_title, text, buttons, m_parent);
    KeepTitleVisible(box, m_title);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBoxPrompter::error(const QString& text) {
    ask(QMessageBox::Critical, text, QMessageBox::Ok);
}

void MessageBoxPrompter::information(const QString& text) {
    ask(QMessageBox::Information, text, QMessageBox::Ok);
}

bool MessageBoxPrompter::question(const QString& text) {
    return ask(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
