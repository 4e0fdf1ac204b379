#pragma once
// Reading a skin's background picture.

#include <QImage>
#include <QString>

// The picture in the file. Throws Exception("Bitmap image is not valid") when the
// file cannot be read as a picture, when its data ends before the last pixel row
// its header announces, or when it announces one far larger than any window (its
// header is refused before any pixel memory is taken).
QImage loadSkinPicture(const QString &path);
