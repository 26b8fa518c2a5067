#pragma once

#include <QImage>
#include <QString>

// Where the grid's picture is printed.
class GridPrinter {
public:
    virtual ~GridPrinter() = default;
    // Prints the picture 300 twips from the left and top of the printable area and ends the
    // job. Returns the fault's description, empty when the page went out.
    virtual QString print(const QImage& picture) = 0;
};
