#include "statdesk/ListingPrinter.h"

#include "statdesk/ListingModel.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <numeric>

namespace {

constexpr double ScreenDpi = 96.0;
constexpr double FontPoints = 9.0;
constexpr int PdfDpi = 600;

} // namespace

ListingPrinter::ListingPrinter(const ListingModel& model, QList<int> columnWidths, QString title)
    : m_model(model), m_columnWidths(std::move(columnWidths)), m_title(std::move(title)),
      m_font(QGuiApplication::font()) {
    m_font.setPointSizeF(FontPoints);
    while (m_columnWidths.size() < m_model.columnCount())
        m_columnWidths << 80;
}

ListingPrinter::Metrics ListingPrinter::metrics(QPagedPaintDevice& device) const {
    Metrics m;
    // A printer's and a PDF writer's logical resolution is their resolution.
    const int dpi = device.logicalDpiY();
    const QRectF area = device.pageLayout().paintRectPixels(dpi);
    m.width = area.width();
    m.height = area.height();
    // The font in points, measured on the printer's own resolution.
    const double lineHeight = QFontMetricsF(m_font, &device).lineSpacing();
    m.rowHeight = lineHeight * 1.3;
    m.titleHeight = lineHeight * 2;
    m.footerHeight = lineHeight * 1.5;
    // The grid's widths on paper, each at least as wide as its header and its totals in bold;
    // all narrowed together when the page is narrower.
    QFont bold = m_font;
    bold.setBold(true);
    const QFontMetricsF boldMetrics(bold, &device);
    const int columns = m_model.columnCount();
    const int totals = m_model.rowCount() - 1;
    double total = 0;
    for (int c = 0; c < columns; ++c) {
        double width = m_columnWidths.at(c) * dpi / ScreenDpi;
        for (const QString& text :
             {m_model.headerText(c),
              m_model.isTotals(totals) ? m_model.cellText(totals, c) : QString()})
            width = std::max(width, boldMetrics.horizontalAdvance(text) + 2 * padding(m));
        m.columns << width;
        total += width;
    }
    if (total > m.width && total > 0) {
        for (double& width : m.columns)
            width *= m.width / total;
    }
    return m;
}

double ListingPrinter::padding(const Metrics& m) {
    return m.rowHeight * 0.15;
}

PagePlan ListingPrinter::plan(QPagedPaintDevice& device) const {
    const Metrics m = metrics(device);
    // Each page: title, header row, rows, page number.
    return PagePlan(m_model.rowCount(), m.height - m.titleHeight - m.rowHeight - m.footerHeight,
                    m.rowHeight);
}

int ListingPrinter::print(QPagedPaintDevice& device) const {
    const Metrics m = metrics(device);
    const PagePlan pages = plan(device);
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    for (int page = 0; page < pages.pageCount(); ++page) {
        if (page > 0 && !device.newPage())
            return 0;
        paintPage(painter, m, pages, page);
    }
    if (!painter.end())
        return 0;
    if (const auto* printer = dynamic_cast<const QPrinter*>(&device))
        if (printer->printerState() == QPrinter::Error)
            return 0;
    return pages.pageCount();
}

void ListingPrinter::setUpPdf(QPdfWriter& pdf) {
    pdf.setCreator(QStringLiteral("Statdesk"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    pdf.setResolution(PdfDpi);
}

QString ListingPrinter::savePdf(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    {
        QPdfWriter pdf(&file);
        setUpPdf(pdf);
        pdf.setTitle(m_title);
        if (print(pdf) == 0) {
            file.cancelWriting();
            return file.error() != QFileDevice::NoError ? file.errorString()
                                                        : QStringLiteral("无法生成PDF");
        }
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

void ListingPrinter::paintPage(QPainter& painter, const Metrics& m, const PagePlan& plan,
                               int page) const {
    QFont bold = m_font;
    bold.setBold(true);
    // Fonts sized in points follow the printer's resolution; set them on this device.
    QFont titleFont = bold;
    titleFont.setPointSizeF(FontPoints * 1.2);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, 0, m.width, m.titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     m_title);

    double top = m.titleHeight;
    painter.setFont(bold);
    paintRow(painter, m, top, -1);
    top += m.rowHeight;
    painter.setFont(m_font);
    for (int row = plan.firstRow(page); row < plan.endRow(page); ++row) {
        if (m_model.isTotals(row))
            painter.setFont(bold);
        paintRow(painter, m, top, row);
        top += m.rowHeight;
    }

    painter.setFont(m_font);
    painter.drawText(QRectF(0, m.height - m.footerHeight, m.width, m.footerHeight), Qt::AlignCenter,
                     QStringLiteral("第 %1 页，共 %2 页").arg(page + 1).arg(plan.pageCount()));
}

void ListingPrinter::paintRow(QPainter& painter, const Metrics& m, double top, int row) const {
    const double tableWidth = std::accumulate(m.columns.begin(), m.columns.end(), 0.0);
    if (row < 0 || m_model.isTotals(row))
        painter.fillRect(QRectF(0, top, tableWidth, m.rowHeight), QColor(0xec, 0xec, 0xec));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double padding = ListingPrinter::padding(m);
    double left = 0;
    for (int column = 0; column < m.columns.size(); ++column) {
        const QRectF cell(left, top, m.columns.at(column), m.rowHeight);
        const QString text = row < 0 ? m_model.headerText(column) : m_model.cellText(row, column);
        painter.drawText(cell.adjusted(padding, 0, -padding, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text, Qt::ElideRight, cell.width() - 2 * padding + 1));
        painter.drawRect(cell);
        left += cell.width();
    }
}
