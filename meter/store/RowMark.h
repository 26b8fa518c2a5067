#pragma once

#include <QString>
#include <QtGlobal>

// What one row of a session pair held after the meter's last write to it that reached the
// store. A later write goes only over exactly that, so a save written twice (a journal applied
// again after a crash) never puts older figures over newer ones.
struct RowMark {
    qint64 ThisTm = 0;
    QString ToD;
    QString ToT;

    bool operator==(const RowMark&) const = default;
};
