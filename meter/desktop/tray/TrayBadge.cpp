#include "meter/desktop/tray/TrayBadge.h"

#include "common/TextConventions.h"
#include "meter/desktop/ProgramIcon.h"
#include "meter/desktop/tray/cSysTray.h"
#include "meter/engine/MeterEngine.h"

#include <QPainter>

namespace {

QColor BadgeColour(TrayBadge::State state) {
    switch (state) {
    case TrayBadge::State::Online:
        return QColor(0x2e, 0xa0, 0x43);
    case TrayBadge::State::EndingSoon:
        return QColor(0xf0, 0x6a, 0x0f);
    case TrayBadge::State::Offline:
        break;
    }
    return QColor(0x8a, 0x8f, 0x98);
}

// The badge sits at the lower left, clear of the coin, with a white ring so it reads on any
// panel colour.
QPixmap Badged(int size, TrayBadge::State state) {
    QPixmap pixmap = ProgramIconPixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal diameter = size * 0.5;
    const QRectF badge(0.5, size - diameter - 0.5, diameter, diameter);
    p.setPen(QPen(Qt::white, qMax(1.0, size / 16.0)));
    p.setBrush(BadgeColour(state));
    p.drawEllipse(badge);
    if (state == TrayBadge::State::EndingSoon) {
        // An exclamation mark, for those who cannot tell orange from green.
        p.setPen(QPen(Qt::white, qMax(1.2, size / 14.0), Qt::SolidLine, Qt::RoundCap));
        const QPointF c = badge.center();
        const qreal h = diameter * 0.22;
        p.drawLine(c - QPointF(0, h * 1.1), c + QPointF(0, h * 0.3));
        p.drawPoint(c + QPointF(0, h * 1.15));
    }
    return pixmap;
}

} // namespace

TrayBadge::TrayBadge(MeterEngine& engine, cSysTray& tray, QObject* parent)
    : QObject(parent), m_engine(engine), m_tray(tray) {
    m_tray.setTrayIcon(Icon(m_state));
    connect(&engine, &MeterEngine::figuresChanged, this, &TrayBadge::update);
    update();
}

TrayBadge::State TrayBadge::StateOf(bool linked, const QString& remainingFigure) {
    if (!linked)
        return State::Offline;
    // Until the first tick the figure may still be empty: no plan is known to end.
    if (!remainingFigure.trimmed().isEmpty() &&
        NumberFromText(remainingFigure) <= EndingSoonSeconds)
        return State::EndingSoon;
    return State::Online;
}

QIcon TrayBadge::Icon(State state) {
    QIcon icon;
    for (int size : ProgramIconSizes)
        icon.addPixmap(Badged(size, state));
    return icon;
}

void TrayBadge::update() {
    const State state = StateOf(m_engine.state().Linked, m_engine.figures().Label5);
    if (state == m_state)
        return;
    m_state = state;
    m_tray.setTrayIcon(Icon(state));
}
