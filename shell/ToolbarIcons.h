// The nine 32 x 32 pictures of the main toolbar, drawn in code:
// 0 exit, 1 locked padlock, 2 key, 3 disk, 4 chart, 5 printer, 6 boxes,
// 7 open padlock, 8 gear.
#pragma once

#include <QPixmap>
#include <QVector>

QVector<QPixmap> DeseneazaIconiteleBarei();
