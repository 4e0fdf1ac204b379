#pragma once
// Reading a skin's background picture.

#include <QImage>
#include <QString>

// The picture in the file. Throws Exception("Bitmap image is not valid") when the
// file cannot be read as a picture or announces one far larger than any window
// (its header is refused before any pixel memory is taken).
QImage loadSkinPicture(const QString &path);
