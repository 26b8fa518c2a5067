#include "statdesk/PagePlan.h"

#include <algorithm>
#include <cmath>

PagePlan::PagePlan(int rows, double rowSpace, double rowHeight) : m_rows(std::max(0, rows)) {
    // A page too small for even one row still takes one, rather than never ending.
    const double fit = rowHeight > 0 ? std::floor(rowSpace / rowHeight + 1e-9) : 1;
    m_rowsPerPage = std::max(1, fit > 1e6 ? 1000000 : int(fit));
    m_pageCount = std::max(1, (m_rows + m_rowsPerPage - 1) / m_rowsPerPage);
}

int PagePlan::firstRow(int page) const {
    return std::clamp(page * m_rowsPerPage, 0, m_rows);
}

int PagePlan::endRow(int page) const {
    return std::clamp((page + 1) * m_rowsPerPage, 0, m_rows);
}
