// The main window: how a fresh start looks, what its blocks and menus hold.

#include "app/mainform.h"
#include "widgets/timage.h"
#include "widgets/vranimate.h"
#include "widgets/vrblotter.h"
#include "widgets/vrclock.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrformshape.h"
#include "widgets/vrmatrix.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"
#include "widgets/vrspinner.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

#include "golden.h"

class MainFormTest : public ::testing::Test {
protected:
    TMainForm form;
};

// What a user sees of a fresh start, drawn offscreen and compared with
// tests/golden/mainform.png (SONAVEO_UPDATE_GOLDEN=1 writes it anew). The live
// displays, which change on their own, are left out.
TEST_F(MainFormTest, AFreshStartLooksAsInTheGoldenPicture)
{
    form.ui().TimerSonaveo->stop();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.size(), QSize(601, 352));
    const QList<QRect> live = {
        QRect(form.ui().VrMatrixConn->mapTo(&form, QPoint(0, 0)), form.ui().VrMatrixConn->size()),
        QRect(form.ui().VrClockReal->mapTo(&form, QPoint(0, 0)), form.ui().VrClockReal->size()),
        QRect(form.ui().VrAnimate1->mapTo(&form, QPoint(0, 0)), form.ui().VrAnimate1->size()),
    };
    EXPECT_TRUE(testsupport::matchesGolden(form.grab().toImage(), QStringLiteral("mainform"), live));
}

namespace {
// The brightest channel of any pixel on the frame ring `inset` pixels in from
// the edge of a picture.
int brightestOnRing(const QImage &picture, int inset)
{
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    const QRect ring = img.rect().adjusted(inset, inset, -inset, -inset);
    int brightest = 0;
    for (int x = ring.left(); x <= ring.right(); ++x)
        for (int y : {ring.top(), ring.bottom()})
            brightest = std::max({brightest, qRed(img.pixel(x, y)), qGreen(img.pixel(x, y)), qBlue(img.pixel(x, y))});
    for (int y = ring.top(); y <= ring.bottom(); ++y)
        for (int x : {ring.left(), ring.right()})
            brightest = std::max({brightest, qRed(img.pixel(x, y)), qGreen(img.pixel(x, y)), qBlue(img.pixel(x, y))});
    return brightest;
}

int grey(const QImage &img, QPoint p) { return qGray(img.pixel(p)); }
} // namespace

// The frames around the LED matrix, the fader and the block buttons are dark
// insets of the black they surround, a shade lighter at the bottom right like
// light on machined metal; none is the white and grey frame of an old desktop.
TEST_F(MainFormTest, FramesAreDarkInsetsAndTheSpinnerLeavesTheBandBlockWhole)
{
    const QImage matrix = form.ui().VrMatrixConn->renderToImage();
    const QImage fader = form.ui().VrScrollBarPlayer1->render();
    for (const QImage &img : {matrix, fader}) {
        EXPECT_LE(brightestOnRing(img, 0), 0x40);
        EXPECT_LE(brightestOnRing(img, 1), 0x40);
        const QPoint bottomMiddle(img.width() / 2, img.height() - 1);
        EXPECT_GT(grey(img, bottomMiddle), grey(img, QPoint(img.width() / 2, 0))) << "lit at the bottom: an inset";
    }
    for (TVrDemoButton *b : {form.ui().VrDemoButtonBand, form.ui().VrDemoButtonHistory, form.ui().VrDemoButtonExit}) {
        const QImage img = b->render();
        EXPECT_LE(brightestOnRing(img, 1), 0x40) << b->objectName().toStdString() << ": the bevel inside the outline";
    }
    const QImage block = form.ui().VrBlotterBand->render();
    EXPECT_LE(brightestOnRing(block, 0), 0x40);
    EXPECT_GT(grey(block, QPoint(80, 0)), grey(block, QPoint(80, block.height() - 1))) << "a raised rim";

    // The spinner reaches down to the band block's bottom edge; the block's
    // bottom bevel runs on under it unbroken.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QImage shot = form.grab().toImage();
    TVrBlotter *band = form.ui().VrBlotterBand;
    const QRect spinner(form.ui().VrSpinnerStation->mapTo(&form, QPoint(0, 0)), form.ui().VrSpinnerStation->size());
    for (int inset = 1; inset <= band->Bevel().BorderWidth(); ++inset) {
        const int y = band->mapTo(&form, QPoint(0, band->height() - inset)).y();
        const QRgb beside = shot.pixel(spinner.left() - 10, y);
        for (int x = spinner.left(); x <= spinner.right(); ++x)
            EXPECT_EQ(QColor(shot.pixel(x, y)), QColor(beside)) << "at " << x << "," << y;
    }
}

// What the picture cannot show: hidden fields, hover colours, ranges, and that
// blocks carry their controls when a user moves them.
TEST_F(MainFormTest, WhatThePictureCannotShow)
{
    EXPECT_EQ(form.ui().VrDemoButtonExit->parentWidget(), form.ui().VrBlotterButtonSet);
    EXPECT_EQ(form.ui().VrScrollBarPlayer1->parentWidget(), form.ui().VrBlotterPlayer);
    EXPECT_EQ(form.ui().VrNumBlock->parentWidget(), form.ui().VrBlotterBand);
    EXPECT_EQ(form.ui().VrClockReal->parentWidget(), form.ui().VrBlotterStation);
    EXPECT_EQ(form.ui().VrNumSize->parentWidget(), form.ui().VrBlotterPlayback);
    EXPECT_EQ(form.ui().MaroImage->parentWidget(), form.ui().VrBlotter9);
    const QPoint exitBefore = form.ui().VrDemoButtonExit->mapTo(&form, QPoint(0, 0));
    form.ui().VrBlotterButtonSet->move(form.ui().VrBlotterButtonSet->pos() + QPoint(-10, -20));
    EXPECT_EQ(form.ui().VrDemoButtonExit->mapTo(&form, QPoint(0, 0)), exitBefore + QPoint(-10, -20));

    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(form.ui().VrDemoButtonStation[size_t(i)]->FontEnter().Color, QColor(0, 255, 255));
        EXPECT_EQ(form.ui().EditStationURL[size_t(i)]->text(), QStringLiteral("Empty"));
        EXPECT_TRUE(form.ui().EditStationURL[size_t(i)]->isHidden());
    }
    EXPECT_EQ(form.ui().VrNumBlock->Min(), 1);
    EXPECT_EQ(form.ui().VrNumBlock->Max(), 100);
    EXPECT_EQ(form.ui().VrScrollBarPlayer1->MaxValue(), 1000);
    EXPECT_EQ(form.ui().VrMatrixConn->Text(), QStringLiteral("INTERNET CONNECTION?"));
    EXPECT_TRUE(form.ui().VrMatrixConn->AutoScroll());
    EXPECT_TRUE(form.ui().Panelxy->isHidden());
    EXPECT_TRUE(form.ui().VrBlotter1->isHidden());
    EXPECT_TRUE(form.ui().TimerSonaveo->isActive());
}

TEST_F(MainFormTest, BlockLayoutMenuListsItsItemsInOrder)
{
    QStringList captions;
    QStringList names;
    for (QAction *a : form.ui().PopupMenuDrag->actions()) {
        captions << a->text();
        names << a->objectName();
    }
    EXPECT_EQ(captions, QStringList({
                            "Drop Current Object",
                            "Drag and Drop Display",
                            "Drag and Drop Fader Block",
                            "Drag and Drop Band Block",
                            "Drag and Drop Station Block",
                            "Drag and Drop Record Block",
                            "Drag and Drop Button Block",
                            "Drag and Drop Stop Button",
                            "Drag and Drop Record Button",
                            "Drag and Drop Play Button",
                            "Drag and Drop Stations Buttons",
                        }));
    EXPECT_EQ(names, QStringList({"EndDragnDrop1", "DragnDropLEDMatrix1", "DragnDropFaderBlock1",
                                  "DragnDropBandBlock1", "DragnDropStationBlock1", "DragnDrop1",
                                  "DragnDorpButtonBlock1", "DragnDrop2", "DragnDropRecordButton1",
                                  "DragnDropPlayButton1", "DragnDropStationButton11"}));
    EXPECT_FALSE(form.ui().EndDragnDrop1->isEnabled());

    QStringList stationItems;
    for (QAction *a : form.ui().DragnDropStationButton11->actions())
        stationItems << a->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(stationItems, QStringList({
                                "DragnDropStationButton12=Drag and Drop Station Button 1",
                                "DragnDropStationButton22=Drag and Drop Station Button 2 ",
                                "DragnDropStationButton32=Drag and Drop Station Button 3",
                                "DragnDropStationButton42=Drag and Drop Station Button 4",
                                "DragnDropStationButton52=Drag and Drop Station Button 5",
                                "DragnDropStationButton62=Drag and Drop Station Button 6",
                                "DragnDropStationButton72=Drag and Drop Station Button 7",
                            }));
}

TEST_F(MainFormTest, RightClickOnAFreeSpotOpensTheLayoutMenu)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.ui().VrMainFormShape, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_TRUE(form.ui().PopupMenuDrag->isVisible());
    form.ui().PopupMenuDrag->hide();
}

TEST_F(MainFormTest, AnEmptyMainMenuIsAttachedOnceTheWindowShows)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.ui().MainMenu1 != nullptr; }, 2000));
    EXPECT_EQ(form.ui().MainMenu1->parentWidget(), &form);
    EXPECT_EQ(form.findChild<QMenuBar *>(QStringLiteral("MainMenu1")), form.ui().MainMenu1);
    EXPECT_TRUE(form.ui().MainMenu1->actions().isEmpty());
    EXPECT_TRUE(form.ui().MainMenu1->isHidden()) << "the empty menu takes no room";
    EXPECT_EQ(form.ui().VrMainFormShape->geometry(), QRect(0, 0, 601, 352));
}
