// The four 54 x 54 pictures of the message dialog, drawn with transparency.
#pragma once

#include <QPixmap>

QPixmap DeseneazaEroare();       // red disc with a white cross
QPixmap DeseneazaAtentionare();  // yellow warning triangle with "!"
QPixmap DeseneazaConfirmare();   // violet sphere with "?"
QPixmap DeseneazaInformare();    // blue sphere with a lower-case "i"
