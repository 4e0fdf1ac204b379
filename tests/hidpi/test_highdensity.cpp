// The windows on a screen whose scale is 2 (QT_SCALE_FACTOR=2, set below):
// everything is drawn at twice the size, pictures are enlarged without
// blurring their hard edges, and what is drawn in code (text, lines, arrows)
// is drawn at the screen's own density, not enlarged from a picture of the
// widget's size.

#include "app/aboutform.h"
#include "app/mainform.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrformshape.h"
#include "widgets/vrscale.h"
#include "widgets/vrspinner.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The suite is a program of its own: the scale is set before the shared main
// makes the application, which reads it once.
const bool kScaledScreen = qputenv("QT_SCALE_FACTOR", "2");

QImage grabbed(QWidget *widget) { return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32); }

// A picture enlarged n times by repeating its pixels has every aligned n x n
// block of one colour; one drawn at the screen's density has finer detail, and
// one enlarged smoothly has blends across the blocks.
int blocksWithDetail(const QImage &image, int n = 2)
{
    int count = 0;
    for (int y = 0; y + n <= image.height(); y += n)
        for (int x = 0; x + n <= image.width(); x += n) {
            const QRgb a = image.pixel(x, y);
            bool uniform = true;
            for (int dy = 0; dy < n && uniform; ++dy)
                for (int dx = 0; dx < n && uniform; ++dx)
                    uniform = image.pixel(x + dx, y + dy) == a;
            if (!uniform)
                ++count;
        }
    return count;
}

class HighDensityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qApp->devicePixelRatio() != 2.0)
            GTEST_SKIP() << "the screen's scale is " << qApp->devicePixelRatio() << ", not 2 (QT_SCALE_FACTOR)";
    }
};

TEST_F(HighDensityTest, TheMainWindowsPictureIsEnlargedPixelForPixelWithItsCutOutCorners)
{
    TMainForm form;
    form.ui().TimerSonaveo->stop();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TVrFormShape *shape = form.ui().VrMainFormShape;
    // A skin picture whose corners are of the colour that is cut out.
    QImage skin = shape->Mask().convertToFormat(QImage::Format_RGB32);
    const QColor cut = shape->MaskColor();
    for (const QPoint corner : {QPoint(0, 0), QPoint(skin.width() - 8, 0), QPoint(0, skin.height() - 8),
                                QPoint(skin.width() - 8, skin.height() - 8)})
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                skin.setPixelColor(corner + QPoint(x, y), cut);
    shape->setMask(skin);
    ASSERT_FALSE(shape->Outline().contains(QPoint(0, 0)));

    // The background alone, without the controls on it.
    QImage shot(shape->size() * 2, QImage::Format_ARGB32_Premultiplied);
    shot.setDevicePixelRatio(2);
    shot.fill(Qt::green);
    shape->render(&shot, QPoint(), QRegion(), QWidget::RenderFlags());
    shot = shot.convertToFormat(QImage::Format_ARGB32);

    const QImage picture = shapedPicture(shape->Mask(), shape->Outline()).convertToFormat(QImage::Format_ARGB32);
    ASSERT_GE(shot.width(), picture.width() * 2);
    ASSERT_GE(shot.height(), picture.height() * 2);
    int differing = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < picture.height() * 2; ++y)
        for (int x = 0; x < picture.width() * 2; ++x)
            if (shot.pixel(x, y) != picture.pixel(x / 2, y / 2)) {
                if (differing++ == 0)
                    first = QPoint(x, y);
            }
    EXPECT_EQ(differing, 0) << "first at " << first.x() << "," << first.y();

    // The cut-out corner stays cut out at the larger size; the outline the
    // window is cut to is the same, in the window's own coordinates.
    EXPECT_EQ(qAlpha(shot.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(shot.pixel(15, 15)), 0);
    EXPECT_EQ(qAlpha(shot.pixel(16, 16)), 255);
    EXPECT_EQ(qAlpha(shot.pixel(shot.width() / 2, shot.height() / 2)), 255);
    EXPECT_EQ(form.mask(), shape->Outline().translated(shape->pos()));
    EXPECT_EQ(form.grab().size(), form.size() * 2);
}

TEST_F(HighDensityTest, CaptionsScalesAndArrowsAreDrawnAtTheScreensDensity)
{
    TMainForm form;
    form.ui().TimerSonaveo->stop();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const std::pair<const char *, QWidget *> drawnInCode[] = {
        {"Exit button", form.ui().VrDemoButtonExit},
        {"decibel scale", form.ui().VrScaledb},
        {"station spinner", form.ui().VrSpinnerStation},
    };
    for (const auto &[what, widget] : drawnInCode) {
        const QImage image = grabbed(widget);
        EXPECT_EQ(image.size(), widget->size() * 2) << what;
        EXPECT_GT(blocksWithDetail(image), 10) << what << " is enlarged from a picture of its own size";
    }
}

TEST_F(HighDensityTest, TheAboutWindowsEnlargedLogoKeepsItsHardEdges)
{
    TAboutForm about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    auto *logo = about.findChild<QLabel *>(QStringLiteral("ImageMaro"));
    ASSERT_NE(logo, nullptr);
    // The logo is shown at twice its size, on a screen of twice the density:
    // each of its pixels is a block of 4 x 4.
    const QImage shown = grabbed(logo);
    ASSERT_EQ(shown.size(), logo->size() * 2);
    EXPECT_EQ(blocksWithDetail(shown, 4), 0);
}

} // namespace
