// Turns a picture into the program's raw picture format, so the program shows its
// artwork without decoding anything at start: a 32-byte header ("SVRAWIMG", then
// width, height, QImage format and bytes per line as little-endian 32-bit
// numbers, then 8 zero bytes) followed by the pixel rows as QImage lays them out.
// Usage: sonaveo_rawart <picture> <raw file>

#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <picture> <raw file>\n", argv[0]);
        return 2;
    }
    QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    image = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                    : image.convertToFormat(QImage::Format_RGB32);
    QByteArray out("SVRAWIMG");
    for (quint32 v : {quint32(image.width()), quint32(image.height()), quint32(image.format()),
                      quint32(image.bytesPerLine()), 0u, 0u}) {
        for (int b = 0; b < 4; ++b)
            out.append(char((v >> (8 * b)) & 0xFF));
    }
    out.append(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
