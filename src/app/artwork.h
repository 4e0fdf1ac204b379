#pragma once
// The pictures the program ships with, linked in ready to show.

#include <QImage>

namespace artwork {
QImage background();   // 600 x 350, the default skin's picture
QImage logo();         // 102 x 12
QImage playerIdle();   // 33 x 33
QImage playerActive(); // 33 x 33
QImage animation();    // 234 x 20: three frames of 78 x 20
QImage splash();       // 488 x 232
QImage farewell();     // 488 x 232
QImage icon();         // 64 x 64
} // namespace artwork
