// The smaller windows wear the main window's machined metal, in the skin's
// pop-up colour: grain that shows even on a black panel, screws in the corners,
// and a face that follows the colour the designer picks.

#include "app/artwork.h"
#include "widgets/vrblotter.h"
#include "widgets/vrmetal.h"

#include <QImage>
#include <gtest/gtest.h>

#include <set>

namespace {

struct Face {
    double red = 0, green = 0, blue = 0;
    int distinct = 0; // how many grey levels the face shows
};

// The average colour and the variety of a face, away from its edges and screws.
Face faceOf(const QImage &image)
{
    Face face;
    std::set<int> levels;
    int n = 0;
    for (int y = 16; y < image.height() - 16; ++y)
        for (int x = 16; x < image.width() - 16; ++x) {
            const QRgb p = image.pixel(x, y);
            face.red += qRed(p);
            face.green += qGreen(p);
            face.blue += qBlue(p);
            levels.insert(qGray(p));
            ++n;
        }
    face.red /= n;
    face.green /= n;
    face.blue /= n;
    face.distinct = int(levels.size());
    return face;
}

QImage metalPanel(const QColor &colour)
{
    TVrBlotter panel;
    panel.resize(290, 200);
    panel.setColor(colour);
    panel.setMetal(true, true);
    return panel.render().convertToFormat(QImage::Format_RGB32);
}

TEST(MetalFace, ABlackPanelShowsDarkBrushedSteelAndAColouredOneItsColour)
{
    const Face black = faceOf(metalPanel(Qt::black));
    EXPECT_GT(black.distinct, 4) << "grain shows";
    EXPECT_GT(black.red + black.green + black.blue, 3 * 20.0) << "not black";
    EXPECT_LT(black.red + black.green + black.blue, 3 * 50.0) << "still dark";

    const Face blue = faceOf(metalPanel(QColor(20, 40, 140)));
    EXPECT_GT(blue.blue, blue.red + 60) << "the pop-up colour shows through";
    EXPECT_NEAR(blue.blue, 140, 20);

    const Face light = faceOf(metalPanel(QColor(220, 210, 180)));
    EXPECT_NEAR(light.red, 220, 20) << "a light pop-up colour stays light";
}

TEST(MetalFace, TheSameColourGivesTheSamePictureAndScrewsSitInTheCorners)
{
    const QImage a = metalPanel(Qt::black);
    EXPECT_EQ(a, metalPanel(Qt::black)) << "the grain does not change from paint to paint";
    // A screw head is lit well above the steel around it.
    const QColor steel = metalShade(Qt::black);
    for (const QPoint corner : {QPoint(5, 5), QPoint(a.width() - 6, 5), QPoint(5, a.height() - 6),
                                QPoint(a.width() - 6, a.height() - 6)}) {
        int brightest = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                brightest = std::max(brightest, qGray(a.pixel(corner + QPoint(dx, dy))));
        EXPECT_GT(brightest, qGray(steel.rgb()) + 25) << corner.x() << "," << corner.y();
    }
}

// The faceplate picture was drawn with the program's own metal: where nothing
// lies on it, it is that metal pixel for pixel, so the pictures can be drawn
// again as they are and the smaller windows wear the same grain.
TEST(MetalFace, TheMainWindowsFaceplateIsTheProgramsSteel)
{
    const QImage faceplate = artwork::background().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(faceplate.size(), QSize(600, 350));
    QImage steel(faceplate.size(), QImage::Format_RGB32);
    paintBrushedMetal(steel, steelFinish(33.0, 21.0, 6.0));
    // Bare metal above the station status and between the grooves of the deck.
    for (const QRect bare : {QRect(280, 60, 300, 65), QRect(270, 212, 190, 60)})
        EXPECT_EQ(faceplate.copy(bare), steel.copy(bare)) << bare.x() << "," << bare.y();
}

} // namespace
