#pragma once

// Which rows of a listing go on which printed page: each page takes as many rows as fit the
// height left for rows below its title and repeated header; the totals row, being the last
// row, ends the last page. An empty listing still gets one page for its header.
class PagePlan {
public:
    // `rowSpace`: the height a page has for rows; `rowHeight`: the height of one row (> 0).
    PagePlan(int rows, double rowSpace, double rowHeight);

    int rowsPerPage() const { return m_rowsPerPage; }
    int pageCount() const { return m_pageCount; }
    // The rows of a page (0-based): from firstRow up to, not including, endRow.
    int firstRow(int page) const;
    int endRow(int page) const;

private:
    int m_rows;
    int m_rowsPerPage;
    int m_pageCount;
};
