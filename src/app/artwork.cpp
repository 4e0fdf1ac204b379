#include "app/artwork.h"

#include <cstdint>
#include <cstring>

// The pictures are linked in as raw pixel rows (see assets/CMakeLists.txt): a
// 32-byte header, then the rows. Showing one costs no decoding at all.
#define SONAVEO_ART(name)                                                                          \
    extern "C" const unsigned char sonaveo_art_##name[];                                           \
    extern "C" const unsigned char sonaveo_art_##name##_end[];
SONAVEO_ART(animate)
SONAVEO_ART(background)
SONAVEO_ART(farewell)
SONAVEO_ART(icon)
SONAVEO_ART(logo)
SONAVEO_ART(player_active)
SONAVEO_ART(player_idle)
SONAVEO_ART(splash)
#undef SONAVEO_ART

namespace {
std::uint32_t le32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// The picture over the linked-in rows (no copy), or a black one of the designed
// size when the data is damaged, so the window is still usable.
QImage picture(const unsigned char *begin, const unsigned char *end, int width, int height)
{
    constexpr std::ptrdiff_t kHeader = 32;
    if (end - begin >= kHeader && std::memcmp(begin, "SVRAWIMG", 8) == 0) {
        const int w = int(le32(begin + 8)), h = int(le32(begin + 12));
        const auto format = QImage::Format(le32(begin + 16));
        const qsizetype bytesPerLine = qsizetype(le32(begin + 20));
        const bool known = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
        if (known && w > 0 && h > 0 && bytesPerLine >= qsizetype(w) * 4 &&
            end - begin - kHeader >= bytesPerLine * h)
            return QImage(begin + kHeader, w, h, bytesPerLine, format);
    }
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}
} // namespace

#define SONAVEO_PICTURE(name, w, h) picture(sonaveo_art_##name, sonaveo_art_##name##_end, w, h)

namespace artwork {
QImage background() { return SONAVEO_PICTURE(background, 600, 350); }
QImage logo() { return SONAVEO_PICTURE(logo, 102, 12); }
QImage playerIdle() { return SONAVEO_PICTURE(player_idle, 33, 33); }
QImage playerActive() { return SONAVEO_PICTURE(player_active, 33, 33); }
QImage animation() { return SONAVEO_PICTURE(animate, 234, 20); }
QImage splash() { return SONAVEO_PICTURE(splash, 488, 232); }
QImage farewell() { return SONAVEO_PICTURE(farewell, 488, 232); }
QImage icon() { return SONAVEO_PICTURE(icon, 64, 64); }
} // namespace artwork
