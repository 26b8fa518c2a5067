#include "meter/desktop/FrmAbout.h"

#include "meter/desktop/MakerAddresses.h"
#include "meter/desktop/ProgramIcon.h"
#include "platform/Shell.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QScreen>

namespace {

const QString FallbackFamily = QStringLiteral("WenQuanYi Micro Hei");

QRect Twips(int left, int top, int width, int height) {
    return {qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0), qRound(height / 15.0)};
}

QFont Font(const QString& family, qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies({family, FallbackFamily});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

QLabel* Link(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    QLabel* label = Label(parent, name, text, geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(text);
    return label;
}

// A soft evening gradient with a faint dial behind the text, painted at the control's size.
QPixmap PaintPicture(QSize size, qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(size));

    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, QColor(0x1f, 0x3b, 0x63));
    sky.setColorAt(1.0, QColor(0x0e, 0x5a, 0x5c));
    p.fillRect(area, sky);

    QRadialGradient glow(area.center(), area.width() * 0.7);
    glow.setColorAt(0.0, QColor(255, 255, 255, 40));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(area, glow);

    // Concentric arcs of a dial, so faint that the name over them stays readable.
    p.setPen(QPen(QColor(255, 255, 255, 45), 1.2));
    const QPointF centre(area.center().x(), area.bottom() - area.height() * 0.12);
    for (qreal r : {area.width() * 0.35, area.width() * 0.55, area.width() * 0.75})
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 20 * 16, 140 * 16);

    const int iconSize = 16;
    ProgramIcon().paint(&p, QRect(3, int(area.height()) - iconSize - 3, iconSize, iconSize));
    return pixmap;
}

} // namespace

FrmAbout::FrmAbout(Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_shell(shell) {
    setObjectName(QStringLiteral("FrmAbout"));
    // A single blank, so no window manager fills in the program's name as the title.
    setWindowTitle(QStringLiteral(" "));
    setFixedSize(Twips(0, 0, 4830, 2820).size());
    setFont(Font(QStringLiteral("宋体"), 9, false));

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(192, 204, 208));
    setPalette(palette);
    setAutoFillBackground(true);

    QLabel* title = Label(this, "Label1", QStringLiteral("Dialtoll"), Twips(855, 120, 3120, 315));
    title->setFont(Font(QStringLiteral("幼圆"), 15.75, true));
    title->setAlignment(Qt::AlignCenter);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    // Two pixels, dark over light, centred on the line's twips.
    const QRect span = Twips(128, 600, 4688 - 128, 0);
    line->setGeometry(span.x(), span.y() - 1, span.width(), 2);

    Label(this, "Label2", QStringLiteral("版本: 2.0"), Twips(120, 840, 945, 210));
    Label(this, "Label3", QStringLiteral("作者: %1").arg(QLatin1String(MakerAddresses::Author)),
          Twips(120, 1200, 1260, 210));
    Label(this, "Label4", QStringLiteral("信箱:"), Twips(120, 1560, 600, 210));
    m_mailLink =
        Link(this, "Label5", QLatin1String(MakerAddresses::Mail), Twips(720, 1560, 1995, 210));
    Label(this, "Label6", QStringLiteral("主页:"), Twips(120, 1920, 600, 210));
    // The scheme is left out of the shown text so the address fits beside the picture.
    QString home = QLatin1String(MakerAddresses::HomePage);
    home.remove(QRegularExpression(QStringLiteral("^https?://")));
    m_homeLink = Link(this, "Label7", home, Twips(720, 1920, 2730, 210));
    m_mailLink->installEventFilter(this);
    m_homeLink->installEventFilter(this);

    QLabel* picture = Label(this, "Image1", QString(), Twips(3600, 840, 1095, 1305));
    picture->setScaledContents(true);
    picture->setPixmap(PaintPicture(picture->size(), 2.0));

    // One character per line, over the picture. The label runs the picture's height (less a
    // pixel each end) so the seven characters of the name get room to be read.
    const QRect image = picture->geometry();
    const QRect column = Twips(4020, 960, 375, 1215);
    m_label8 = Label(this, "Label8", QString(),
                     QRect(column.x(), image.y() + 1, column.width(), image.height() - 2));
    m_label8->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QPalette green = m_label8->palette();
    green.setColor(QPalette::WindowText, QColor(128, 255, 128));
    m_label8->setPalette(green);
    setLabel8Text(QStringLiteral("Veyra软件"));

    auto* ok = new QPushButton(QStringLiteral("确定(&T)"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(Twips(1628, 2280, 1575, 375));
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void FrmAbout::setLabel8Text(const QString& name) {
    // The name is longer than the four characters a full-size column holds: the size steps
    // down from the intended 14.25 pt (19 px) until the column fits, one em per line.
    const int lines = int(name.size());
    const int pixelSize = qBound(8, m_label8->height() / qMax(1, lines), 19);
    QFont font = Font(QStringLiteral("楷体_GB2312"), 14.25, true);
    font.setPixelSize(pixelSize);
    m_label8->setFont(font);

    QStringList characters;
    for (const QChar c : name)
        characters << QString(c).toHtmlEscaped();
    m_label8->setTextFormat(Qt::RichText);
    m_label8->setText(
        QStringLiteral("<div style=\"line-height:%1px; -qt-line-height-type:fixed\">%2</div>")
            .arg(pixelSize)
            .arg(characters.join(QStringLiteral("<br>"))));
}

bool FrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_mailLink)
            m_shell.openUrl(QUrl(QStringLiteral("mailto:") + QLatin1String(MakerAddresses::Mail)));
        else if (watched == m_homeLink)
            m_shell.openUrl(QUrl(QLatin1String(MakerAddresses::HomePage)));
    }
    return QDialog::eventFilter(watched, event);
}

void FrmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
