#pragma once

#include "statdesk/GridPrinter.h"

// The system's default printer.
class DefaultGridPrinter : public GridPrinter {
public:
    QString print(const QImage& picture) override;
};
