// The main window's controls at their places (twips, 15 to a pixel), colours and fonts.
#include "meter/desktop/ElidedLabel.h"
#include "meter/desktop/Form1.h"

#include "meter/desktop/HoverHelp.h"
#include "meter/desktop/MakerAddresses.h"
#include "meter/engine/PlanPresets.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QColor WindowColour(224, 220, 216);
const QColor ControlColour(192, 204, 208);

QRect Twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QFont SongFont(double points, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void Paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Labels whose text comes from elsewhere (a name, a title) end with "…" where they would be cut.
template <typename Kind = QLabel>
QLabel* Label(QWidget* parent, const char* name, const QString& text, QPoint twips) {
    auto* label = new Kind(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(twips / 15);
    label->adjustSize();
    return label;
}

QFrame* Line(QWidget* parent, const char* name, int fromX, int toX, int y) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(fromX / 15, y / 15 - 1, (toX - fromX) / 15, 2);
    return line;
}

struct FigureRow {
    const char* caption;
    const char* captionText;
    const char* value;
    int top;
    QColor colour;
    const char* initial;
};

const FigureRow FigureRows[] = {
    {"Label3", "当前用户:", "User", 360, QColor(0, 128, 0), "公用帐号"},
    {"Label4", "本次剩余:", "Label5", 660, QColor(255, 0, 0), "1800 秒"},
    {"Label37", "本次花费:", "Label38", 960, QColor(255, 128, 0), "0 元"},
    {"Label8", "现时费用:", "Label9", 1260, QColor(128, 128, 64), "6.2元/时"},
    {"Label6", "上网次数:", "Label7", 1560, QColor(0, 0, 128), "0 次"},
    {"Label10", "上网总时:", "Label11", 1860, QColor(0, 0, 255), "0 时"},
    {"Label12", "费用总和:", "Label13", 2160, QColor(192, 0, 0), "0 元"},
    {"Label14", "所有用户:", "Label15", 2640, QColor(0, 128, 0), "0 人"},
    {"Label16", "上网次数:", "Label17", 2940, QColor(0, 0, 128), "0 次"},
    {"Label18", "上网总时:", "Label19", 3240, QColor(0, 0, 255), "0 时"},
    {"Label20", "费用总和:", "Label21", 3540, QColor(192, 0, 0), "0 元"},
};

} // namespace

void Form1::buildControls() {
    setFont(SongFont(10.5));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, WindowColour);
    setPalette(palette);

    m_titLb = Label(this, "TitLb", QStringLiteral("Dialtoll(脱机)"), {2340, 75});
    QPalette titlePalette = m_titLb->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    m_titLb->setPalette(titlePalette);
    m_titLb->setFont(SongFont(10.5, true));
    m_titLb->installEventFilter(this);

    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setGeometry(Twips(6240, 0, 975, 300));
    m_image1->setMouseTracking(true);
    m_image1->installEventFilter(this);

    m_frame1 = buildPlanFrame();
    buildInformationFrame();
}

QGroupBox* Form1::buildPlanFrame() {
    auto* frame = new QGroupBox(QStringLiteral("计划上网时间"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(Twips(120, 480, 3615, 5655));
    Paint(frame, ControlColour);

    auto* panel = new QLabel(frame);
    panel->setObjectName(QStringLiteral("Label2"));
    panel->setGeometry(Twips(1080, 240, 2415, 5055));
    Paint(panel, WindowColour);

    for (const FigureRow& row : FigureRows) {
        Label(frame, row.caption, QString::fromUtf8(row.captionText), {1200, row.top});
        QLabel* value =
            Label<ElidedLabel>(frame, row.value, QString::fromUtf8(row.initial), {2160, row.top});
        value->setFont(SongFont(10.5, true));
        QPalette valuePalette = value->palette();
        valuePalette.setColor(QPalette::WindowText, row.colour);
        value->setPalette(valuePalette);
        // Wide enough for any figure, so an update never has to measure and resize it.
        value->resize(Twips(0, 0, 1335, 0).width(), value->height());
        m_figureLabels.insert(QString::fromLatin1(row.value), value);
    }
    Line(frame, "Line1", 1080, 3500, 2520);

    auto* op0 = new QRadioButton(PlanPresets::Caption(0), frame);
    op0->setObjectName(QStringLiteral("Op0"));
    op0->setFont(SongFont(9));
    op0->setGeometry(Twips(120, 240, 960, 255));
    m_presets.append(op0);

    m_opt = new QRadioButton(QStringLiteral("指定时间:"), frame);
    m_opt->setObjectName(QStringLiteral("Opt"));
    m_opt->setFont(SongFont(9));
    m_opt->setGeometry(Twips(120, 5340, 1215, 255));
    m_text1 = new QLineEdit(QStringLiteral("120"), frame);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(Twips(1220, 5300, 1800, 330));
    Label(frame, "Label1", QStringLiteral("分钟"), {3120, 5385});

    const struct {
        const char* name;
        const char* caption;
        int top;
    } buttons[] = {
        {"Command1", "系统设置(&S)", 3840},
        {"Command4", "个人设置(&I)", 4200},
        {"Command2", "查看统计(&V)", 4560},
        {"Command3", "断开连接(&C)", 4920},
    };
    for (const auto& button : buttons) {
        auto* command = new QPushButton(QString::fromUtf8(button.caption), frame);
        command->setObjectName(QString::fromLatin1(button.name));
        command->setFont(SongFont(9));
        command->setGeometry(Twips(1200, button.top, 2175, 300));
        Paint(command, ControlColour);
    }
    return frame;
}

QGroupBox* Form1::buildInformationFrame() {
    auto* frame = new QGroupBox(QStringLiteral("相关信息提示"), this);
    frame->setObjectName(QStringLiteral("Frame2"));
    frame->setGeometry(Twips(3840, 480, 3180, 5655));
    Paint(frame, ControlColour);

    m_tbr = new QLabel(DefaultHoverHelp, frame);
    m_tbr->setObjectName(QStringLiteral("Tbr"));
    m_tbr->setGeometry(Twips(120, 240, 2940, 1335));
    m_tbr->setWordWrap(true);
    // The label keeps its size; at the window's 10.5 pt (and still at 9 pt) the longest help
    // texts, with a user name of twelve characters, run past its last line.
    m_tbr->setFont(SongFont(8.5));
    m_tbr->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Line(frame, "Line2", 60, 3120, 1680);

    Label(frame, "Label28", QStringLiteral("软件版本:"), {120, 1800});
    Label(frame, "Label29", QStringLiteral("2.0.0"), {1080, 1800});
    Label(frame, "Label22", QStringLiteral("软件作者:"), {120, 2160});
    Label(frame, "Label23", QString::fromLatin1(MakerAddresses::Author), {1080, 2160});
    Label(frame, "Label24", QStringLiteral("作者信箱:"), {120, 2520});
    Label(frame, "Label26", QStringLiteral("作者主页:"), {120, 2880});
    for (const auto& [name, text, top] :
         {std::tuple{"Label25", MakerAddresses::Mail, 2520},
          std::tuple{"Label27", MakerAddresses::HomePageShown, 2880}}) {
        QLabel* link = Label(frame, name, QString::fromLatin1(text), {1080, top});
        link->setCursor(Qt::PointingHandCursor);
        m_links.append(link);
    }
    Line(frame, "Line3", 60, 3120, 3240);

    auto* title = new ElidedLabel(frame);
    title->setObjectName(QStringLiteral("Label30"));
    title->setGeometry(Twips(120, 3360, 2940, 240));
    m_figureLabels.insert(QStringLiteral("Label30"), title);

    auto* panel = new QLabel(frame);
    panel->setObjectName(QStringLiteral("Label31"));
    panel->setGeometry(Twips(120, 3720, 2940, 1860));
    Paint(panel, WindowColour);
    const struct {
        const char* caption;
        const char* captionText;
        const char* value;
        int top;
    } clockRows[] = {
        {"Label32", "当前日期:", "NowL", 3840}, {"Label33", "当前时间:", "TimeL", 4200},
        {"Label34", "按秒倒计:", "SSL", 4560},  {"Label35", "按时倒计:", "HHS", 4920},
        {"Label36", "按日倒计:", "DDS", 5280},
    };
    for (const auto& row : clockRows) {
        Label(frame, row.caption, QString::fromUtf8(row.captionText), {240, row.top});
        QLabel* value = Label(frame, row.value, QString(), {1200, row.top});
        value->resize(Twips(0, 0, 1860, 0).width(), value->height());
        m_figureLabels.insert(QString::fromLatin1(row.value), value);
    }
    return frame;
}

void Form1::buildPresets() {
    for (int i = 1; i < PlanPresets::Count; ++i) {
        const QRadioButton* previous = m_presets.at(i - 1);
        auto* op = new QRadioButton(PlanPresets::Caption(i), m_frame1);
        op->setObjectName(QStringLiteral("Op%1").arg(i));
        op->setFont(previous->font());
        op->setGeometry(previous->x(), previous->y() + previous->height(), previous->width(),
                        previous->height());
        op->setVisible(true);
        m_presets.append(op);
    }
    for (int i = 0; i < PlanPresets::Count; ++i) {
        m_presets.at(i)->installEventFilter(this);
        m_presets.at(i)->setMouseTracking(true);
        connect(m_presets.at(i), &QRadioButton::clicked, &m_engine,
                [this, i] { m_engine.Op_Click(i); });
    }
    m_engine.Op_Click(PlanPresets::Default);
}
