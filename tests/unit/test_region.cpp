// Window outlines cut from a picture: the runs at the exact pixels, the stored
// form of the outline, the main window's shape as the user sees it, and pictures
// that must be refused.

#include "app/artwork.h"
#include "platform/errors.h"
#include "skin/skinpicture.h"
#include "widgets/vrformshape.h"
#include "widgets/vrregion.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr QRgb kPurple = 0xFF800080; // clPurple
constexpr QRgb kWhite = 0xFFFFFFFF;

// A picture drawn as text: 'M' is the mask colour (purple), any other character a
// visible (white) pixel.
QImage picture(const std::vector<std::string> &rows)
{
    QImage image(int(rows.front().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x] == 'M' ? kPurple : kWhite);
    return image;
}

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

std::string describe(const QList<QRect> &rects)
{
    std::string out;
    for (const QRect &r : rects)
        out += "(" + std::to_string(r.left()) + "," + std::to_string(r.top()) + ")-(" +
               std::to_string(r.left() + r.width()) + "," + std::to_string(r.top() + r.height()) + ") ";
    return out;
}

// The same outline made the slow way: one run at a time joined by union.
QRegion unitedRuns(const QList<QRect> &rects)
{
    QRegion region;
    for (const QRect &r : rects)
        for (int y = r.top(); y <= r.bottom(); ++y)
            region += QRect(r.left(), y, r.width(), 1);
    return region;
}

// A top-level window carrying a shape over its whole client area, loaded.
struct ShapedWindow {
    QWidget form{nullptr, Qt::Window};
    TVrFormShape *shape = nullptr;
    explicit ShapedWindow(QSize size)
    {
        form.resize(size);
        shape = new TVrFormShape(&form);
        shape->setGeometry(QRect(QPoint(), size));
    }
};

// The header of a 24-bit Windows bitmap of the given size, its rows bottom up.
QByteArray bitmapHeader(int width, int height)
{
    const quint32 rowBytes = (quint32(width) * 3 + 3) / 4 * 4;
    QByteArray bmp(54, '\0');
    char *h = bmp.data();
    h[0] = 'B';
    h[1] = 'M';
    qToLittleEndian<quint32>(54 + rowBytes * quint32(height), h + 2); // file size
    qToLittleEndian<quint32>(54, h + 10);                              // pixel offset
    qToLittleEndian<quint32>(40, h + 14);                              // info header size
    qToLittleEndian<qint32>(width, h + 18);
    qToLittleEndian<qint32>(height, h + 22);
    qToLittleEndian<quint16>(1, h + 26);  // planes
    qToLittleEndian<quint16>(24, h + 28); // bits per pixel
    return bmp;
}

// What loadSkinPicture says about a file: its message, or "(loaded)".
QString refusal(const QString &path)
{
    try {
        loadSkinPicture(path);
    } catch (const Exception &e) {
        return e.Message();
    }
    return QStringLiteral("(loaded)");
}

} // namespace

TEST(Region, RunsAtTheExactPixels)
{
    struct Case {
        const char *what;
        std::vector<std::string> rows;
        QList<QRect> expected; // left, top, width, height
    };
    const std::vector<Case> cases = {
        {"all visible: the last column is left out", {"...."}, {QRect(0, 0, 3, 1)}},
        {"transparent both ends", {"M..M"}, {QRect(1, 0, 2, 1)}},
        {"a run reaching the last column ends before it", {"M.M."}, {QRect(1, 0, 1, 1)}},
        {"two runs", {".M.M"}, {QRect(0, 0, 1, 1), QRect(2, 0, 1, 1)}},
        {"three runs", {"..M.M.."}, {QRect(0, 0, 2, 1), QRect(3, 0, 1, 1), QRect(5, 0, 1, 1)}},
        {"visible only in the last column", {"MMM."}, {}},
        {"nothing visible", {"MMMM"}, {}},
        {"one column wide", {".", "."}, {}},
        {"two columns wide", {"..", ".."}, {QRect(0, 0, 1, 2)}},
        {"two columns, the first transparent", {"M."}, {}},
        {"identical rows share a rectangle", {"M..M.", "M..M.", "M..M."}, {QRect(1, 0, 2, 3)}},
        {"a changed row starts a new band",
         {"M...", "M.M.", "M.M."},
         {QRect(1, 0, 2, 1), QRect(1, 1, 1, 2)}},
        {"an empty row separates equal bands",
         {".M..", "MMMM", ".M.."},
         {QRect(0, 0, 1, 1), QRect(2, 0, 1, 1), QRect(0, 2, 1, 1), QRect(2, 2, 1, 1)}},
        {"as many runs at other columns do not merge",
         {".M...", "..M.."},
         {QRect(0, 0, 1, 1), QRect(2, 0, 2, 1), QRect(0, 1, 2, 1), QRect(3, 1, 1, 1)}},
    };
    for (const Case &c : cases) {
        const QList<QRect> rects = regionRectsFromBitmap(picture(c.rows), clPurple);
        EXPECT_EQ(describe(rects), describe(c.expected)) << c.what;
    }
}

TEST(Region, RectanglesDescribeTheSameOutlineAsTheirUnion)
{
    // A ragged picture: every row a different pattern of holes.
    QImage image = filled(97, 61, kWhite);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((x * 7 + y * 13) % 11 < 3 || (y / 8 == 3 && x > 40))
                image.setPixel(x, y, kPurple);
    TVrRgnData data;
    ASSERT_TRUE(BuildRegionFromBitmap(image, clPurple, data));
    const QRegion region = regionFromRgnData(data);
    const QRegion expected = unitedRuns(regionRectsFromBitmap(image, clPurple));
    EXPECT_TRUE((region ^ expected).isEmpty());
    EXPECT_FALSE(region.contains(QPoint(0, 0))); // (0*7 + 0) % 11 == 0: a hole
    EXPECT_TRUE(region.contains(QPoint(1, 0)));
    EXPECT_FALSE(region.contains(QPoint(96, 5))); // the last column
    EXPECT_EQ(region.boundingRect().right(), 95);
}

TEST(Region, StoredFormOfAKnownPicture)
{
    const QImage image = picture({
        "MMMMMM",
        "M...MM",
        "M...MM",
        "M.M..M",
    });
    TVrRgnData data;
    ASSERT_TRUE(BuildRegionFromBitmap(image, clPurple, data));
    ASSERT_EQ(data.Size(), 32 + 3 * 16);
    // Header: size, type, count, bytes of rectangles, bounds; then the rectangles.
    const std::vector<qint32> expected = {32, 1, 3, 48, 1, 1, 5, 4, //
                                          1,  1, 4, 3,  //
                                          1,  3, 2, 4,  //
                                          3,  3, 5, 4};
    std::vector<qint32> words;
    for (int at = 0; at < data.Size(); at += 4)
        words.push_back(qFromLittleEndian<qint32>(data.Data().constData() + at));
    EXPECT_EQ(words, expected);
    EXPECT_EQ(data.RectCount(), 3);
    EXPECT_EQ(data.Bounds(), QRect(QPoint(1, 1), QPoint(4, 3)));

    // A picture with nothing visible leaves the previous description alone.
    EXPECT_FALSE(BuildRegionFromBitmap(filled(6, 4, kPurple), clPurple, data));
    EXPECT_EQ(data.RectCount(), 3);

    // Resizing to nothing frees the block; a damaged header describes nothing.
    TVrRgnData damaged = data;
    QByteArray bytes = damaged.Data();
    qToLittleEndian<qint32>(1000, bytes.data() + 8);
    damaged.setData(bytes);
    EXPECT_TRUE(regionFromRgnData(damaged).isEmpty());
    damaged.SetSize(0);
    EXPECT_EQ(damaged.Size(), 0);
    EXPECT_TRUE(damaged.Data().isNull());
}

TEST(Region, MaskColourMatchesOnRgbOnly)
{
    // A system colour never matches, neither its palette colour nor its low bits.
    const QRgb palette = toQColor(clBtnFace).rgb();
    const QImage image = picture({"MMMM", "MMMM"});
    QImage systemish = image;
    systemish.setPixel(0, 0, palette);
    systemish.setPixel(1, 0, qRgb(15, 0, 0)); // clBtnFace's low bits read as RGB
    EXPECT_EQ(describe(regionRectsFromBitmap(systemish, clBtnFace)), describe({QRect(0, 0, 3, 2)}));

    // An alpha channel does not matter; a paletted picture compares its colours.
    QImage withAlpha = image.convertToFormat(QImage::Format_ARGB32);
    withAlpha.setPixel(1, 1, qRgba(0x80, 0, 0x80, 0x40));
    withAlpha.setPixel(2, 1, qRgba(0xFF, 0xFF, 0xFF, 0x00));
    EXPECT_EQ(describe(regionRectsFromBitmap(withAlpha, clPurple)), describe({QRect(2, 1, 1, 1)}));
    const QImage indexed = picture({".MM.", "M..."}).convertToFormat(QImage::Format_Indexed8);
    EXPECT_EQ(describe(regionRectsFromBitmap(indexed, clPurple)),
              describe({QRect(0, 0, 1, 1), QRect(1, 1, 2, 1)}));
}

TEST(FormShape, StartsWithTheStoredOutlineWhichMatchesTheDefaultPicture)
{
    ShapedWindow w(QSize(601, 352));
    w.shape->setMask(artwork::background());
    w.shape->setMaskColor(clPurple);
    EXPECT_TRUE(w.form.mask().isEmpty()); // nothing applied while loading
    EXPECT_EQ(w.shape->RegionScans(), 0);

    w.form.show(); // ends the loading: the stored outline, without a scan
    EXPECT_FALSE(w.shape->isLoading());
    EXPECT_EQ(w.shape->RegionScans(), 0);
    EXPECT_EQ(w.form.mask(), QRegion(0, 0, 599, 350));
    EXPECT_EQ(w.shape->RgnData().Size(), 48);

    // Scanning the default picture gives exactly the stored outline: it holds no
    // pixel of the mask colour, and its last column is left out.
    TVrRgnData scanned;
    ASSERT_TRUE(BuildRegionFromBitmap(artwork::background(), clPurple, scanned));
    EXPECT_EQ(scanned, mainWindowOutline());
    EXPECT_EQ(scanned.Bounds().width(), 599);
    EXPECT_TRUE(w.form.windowFlags() & Qt::FramelessWindowHint);
    // Only Wayland needs the alpha channel for the cut-out.
    EXPECT_EQ(w.form.testAttribute(Qt::WA_TranslucentBackground),
              QGuiApplication::platformName().startsWith(QLatin1String("wayland")));
}

TEST(FormShape, BorderOfTheMaskColourIsCutOutAndPaintedTransparent)
{
    ShapedWindow w(QSize(12, 8));
    EXPECT_EQ(w.shape->MaskColorValue(), clOlive);
    w.shape->setMaskColor(clPurple);
    w.shape->Loaded();
    QImage bordered = filled(10, 6, kPurple);
    QPainter(&bordered).fillRect(1, 1, 8, 4, QColor(kWhite));
    w.shape->setMask(bordered);

    // Clicks on cut-out pixels go to whatever lies behind the window.
    EXPECT_EQ(w.form.mask(), QRegion(1, 1, 8, 4));
    EXPECT_EQ(w.shape->Outline(), QRegion(1, 1, 8, 4));

    // The window shows the picture inside the outline and nothing elsewhere, also
    // where the window is larger than the picture.
    QImage shown(12, 8, QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::red);
    w.shape->render(&shown);
    EXPECT_EQ(shown.pixel(1, 1), kWhite);
    EXPECT_EQ(shown.pixel(8, 4), kWhite);
    for (QPoint p : {QPoint(0, 0), QPoint(9, 3), QPoint(4, 5), QPoint(11, 7), QPoint(10, 2)})
        EXPECT_EQ(qAlpha(shown.pixel(p)), 0) << p.x() << "," << p.y();

    // A picture wholly of the mask colour keeps the previous outline.
    w.shape->setMask(filled(10, 6, kPurple));
    EXPECT_EQ(w.form.mask(), QRegion(1, 1, 8, 4));
}

TEST(FormShape, OnlyARealChangeRescans)
{
    ShapedWindow w(QSize(20, 10));
    const QImage pic = picture({"MMMMMMMMMM", "MM......MM", "MM......MM", "MMMMMMMMMM"});
    w.shape->setMask(pic);
    w.shape->setMaskColor(clPurple);
    w.shape->Loaded();
    EXPECT_EQ(w.shape->RegionScans(), 0);

    w.shape->setMaskColor(clPurple);
    w.shape->setMaskColor(QColor(0x80, 0x00, 0x80));
    EXPECT_EQ(w.shape->RegionScans(), 0);
    EXPECT_EQ(w.form.mask(), QRegion(0, 0, 599, 350)); // still the stored outline

    w.shape->setMask(pic);
    EXPECT_EQ(w.shape->RegionScans(), 1);
    EXPECT_EQ(w.form.mask(), QRegion(2, 1, 6, 2));

    // White as the mask colour: the purple frame becomes the window.
    w.shape->setMaskColor(Qt::white);
    EXPECT_EQ(w.shape->RegionScans(), 2);
    EXPECT_EQ(w.shape->MaskColorValue(), clWhite);
    EXPECT_EQ(w.form.mask(), QRegion(0, 0, 9, 4) - QRegion(2, 1, 6, 2));

    // A system colour cuts nothing: the window is the picture less its last column.
    w.shape->setMaskColor(clBtnFace);
    EXPECT_EQ(w.shape->RegionScans(), 3);
    EXPECT_EQ(w.form.mask(), QRegion(0, 0, 9, 4));
}

TEST(FormShape, APictureCutIntoMillionsOfPiecesIsShownExactly)
{
    // A 2000 x 2000 checkerboard of single pixels, every other one the mask
    // colour: about two million pieces of outline.
    constexpr int kSide = 2000;
    QImage board(kSide, kSide, QImage::Format_RGB32);
    for (int y = 0; y < kSide; ++y) {
        auto *row = reinterpret_cast<QRgb *>(board.scanLine(y));
        for (int x = 0; x < kSide; ++x)
            row[x] = (x + y) % 2 ? kWhite : kPurple;
    }
    ShapedWindow w(QSize(kSide, kSide));
    w.shape->setMaskColor(clPurple);
    w.shape->Loaded();
    w.shape->setMask(board);

    // Even rows have 999 runs (the last column never counts), odd rows 1000.
    EXPECT_EQ(w.shape->RgnData().RectCount(), 1000 * 999 + 1000 * 1000);
    const QRegion &outline = w.shape->Outline();
    EXPECT_EQ(w.form.mask(), outline);
    const struct {
        QPoint at;
        bool in;
    } samples[] = {{{0, 0}, false},    {{1, 0}, true},       {{0, 1}, true},     {{1, 1}, false},
                   {{1000, 501}, true}, {{1000, 500}, false}, {{1998, 1}, true}, {{1999, 0}, false},
                   {{1999, 1998}, false}, {{1998, 1999}, true}, {{1997, 1999}, false}};
    for (const auto &s : samples)
        EXPECT_EQ(outline.contains(s.at), s.in) << s.at.x() << "," << s.at.y();

    // What the window shows: the picture inside the outline, nothing outside.
    QImage shown(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::red);
    w.shape->render(&shown);
    for (const auto &s : samples)
        EXPECT_EQ(shown.pixel(s.at), s.in ? kWhite : 0u) << s.at.x() << "," << s.at.y();
}

TEST(FormShape, RefusesAParentThatIsNotAWindow)
{
    QWidget form(nullptr, Qt::Window);
    auto *panel = new QWidget(&form);
    try {
        TVrFormShape shape(panel);
        FAIL() << "accepted a panel as parent";
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(), "VrFormShape requires a FORM as parent!");
    }
    EXPECT_EQ(panel->children().size(), 0);
}

TEST(SkinPicture, RefusesUnreadableAndOversizedPictures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&dir](const char *name, const QByteArray &bytes) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };

    // A bitmap header announcing 60000 x 60000 pixels at 24 bits (10 GB), with no
    // pixels behind it: refused from the header alone.
    EXPECT_EQ(refusal(write("huge.bmp", bitmapHeader(60000, 60000))), QStringLiteral("Bitmap image is not valid"));
    EXPECT_EQ(refusal(write("garbage.bmp", "BM not a picture at all")), QStringLiteral("Bitmap image is not valid"));
    EXPECT_EQ(refusal(dir.filePath(QStringLiteral("missing.bmp"))), QStringLiteral("Bitmap image is not valid"));

    // A real bitmap loads with its pixels.
    const QString small = dir.filePath(QStringLiteral("small.bmp"));
    ASSERT_TRUE(picture({"M..", ".M."}).save(small, "BMP"));
    const QImage loaded = loadSkinPicture(small);
    EXPECT_EQ(loaded.size(), QSize(3, 2));
    EXPECT_EQ(loaded.pixel(0, 0), kPurple);
    EXPECT_EQ(loaded.pixel(1, 0), kWhite);
}

TEST(SkinPicture, RefusesAPictureCutShort)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString whole = dir.filePath(QStringLiteral("whole.bmp"));
    ASSERT_TRUE(filled(500, 300, kWhite).save(whole, "BMP"));
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    ASSERT_EQ(loadSkinPicture(whole).size(), QSize(500, 300));

    // The first 2,000 bytes, all but the last byte, and the header alone: each
    // leaves pixel rows the file does not hold.
    for (qsizetype length : {qsizetype(2000), bytes.size() - 1, qsizetype(54)}) {
        const QString cut = dir.filePath(QStringLiteral("cut%1.bmp").arg(length));
        QFile out(cut);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes.left(length));
        out.close();
        EXPECT_EQ(refusal(cut), QStringLiteral("Bitmap image is not valid")) << length << " bytes";
    }

    // Other formats whose reader tells that the data ended early: half a PNG.
    QImage stripes(500, 300, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        stripes.scanLine(y)[0] = uchar(y);
    QByteArray png;
    {
        QBuffer buffer(&png);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        ASSERT_TRUE(stripes.save(&buffer, "PNG"));
    }
    const QString halfPng = dir.filePath(QStringLiteral("half.png"));
    QFile out(halfPng);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(png.left(png.size() / 2));
    out.close();
    EXPECT_EQ(refusal(halfPng), QStringLiteral("Bitmap image is not valid"));
}

TEST(SkinPicture, LoadsPicturesUpToTheLargestAWindowMayHave)
{
    // 8000 x 6000 pixels at 24 bits (a 144 MB file, 192 MB once read), written
    // row by row: above the image reader's default allocation limit, well within
    // the 8192 x 8192 pixels a picture may have.
    constexpr int kWidth = 8000, kHeight = 6000;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("large.bmp"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bitmapHeader(kWidth, kHeight)), 54);
        QByteArray row(kWidth * 3, '\x40');
        row[0] = row[1] = row[2] = '\xFF'; // the first pixel of every row white
        for (int y = 0; y < kHeight; ++y)
            ASSERT_EQ(f.write(row), row.size());
    }
    const QImage loaded = loadSkinPicture(path);
    ASSERT_EQ(loaded.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(loaded.pixel(0, 0), kWhite);
    EXPECT_EQ(loaded.pixel(kWidth - 1, kHeight - 1), qRgb(0x40, 0x40, 0x40));
}
