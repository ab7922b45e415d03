// The 2 x 18 pixel pattern that fills the progress bars of the start-up
// window and of the progress counter: a lit tube, dark at the edges and
// white in the middle.
#pragma once

#include <QImage>

QImage ModelBaraProgres();
