#pragma once

#include "statdesk/PagePlan.h"

#include <QFont>
#include <QList>
#include <QString>

class ListingModel;
class QPagedPaintDevice;
class QPdfWriter;
class QPainter;

// Prints a listing as the grid shows it, all its rows rather than the part in view: pages as
// many as the rows need, each with a title line, the header row and its page number; the totals
// row comes last. Column widths follow the grid's, narrowed together when the page is smaller.
class ListingPrinter {
public:
    // `columnWidths`: the grid's column widths in screen pixels (96 per inch).
    ListingPrinter(const ListingModel& model, QList<int> columnWidths, QString title);

    // Paints every page on the device: a printer, a print preview or a PDF writer. Returns the
    // number of pages printed; 0 when painting could not start or the printer reported an error.
    int print(QPagedPaintDevice& device) const;
    // How the rows fall on this device's pages.
    PagePlan plan(QPagedPaintDevice& device) const;
    // Prints to a PDF file (A4), whole or not at all. Empty on success, else the reason.
    QString savePdf(const QString& path) const;
    // The page a PDF file gets: A4 with margins of 15 mm.
    static void setUpPdf(QPdfWriter& pdf);

private:
    struct Metrics {
        double width = 0;
        double height = 0;
        double rowHeight = 0;
        double titleHeight = 0;
        double footerHeight = 0;
        QList<double> columns;
    };
    Metrics metrics(QPagedPaintDevice& device) const;
    static double padding(const Metrics& m);
    void paintPage(QPainter& painter, const Metrics& m, const PagePlan& plan, int page) const;
    void paintRow(QPainter& painter, const Metrics& m, double top, int row) const;

    const ListingModel& m_model;
    QList<int> m_columnWidths;
    QString m_title;
    QFont m_font;
};
