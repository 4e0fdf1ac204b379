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

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

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
    form.TimerSonaveo->stop();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.size(), QSize(601, 352));
    const QList<QRect> live = {
        QRect(form.VrMatrixConn->mapTo(&form, QPoint(0, 0)), form.VrMatrixConn->size()),
        QRect(form.VrClockReal->mapTo(&form, QPoint(0, 0)), form.VrClockReal->size()),
        QRect(form.VrAnimate1->mapTo(&form, QPoint(0, 0)), form.VrAnimate1->size()),
    };
    EXPECT_TRUE(testsupport::matchesGolden(form.grab().toImage(), QStringLiteral("mainform"), live));
}

// What the picture cannot show: hidden fields, hover colours, ranges, and that
// blocks carry their controls when a user moves them.
TEST_F(MainFormTest, WhatThePictureCannotShow)
{
    EXPECT_EQ(form.VrDemoButtonExit->parentWidget(), form.VrBlotterButtonSet);
    EXPECT_EQ(form.VrScrollBarPlayer1->parentWidget(), form.VrBlotterPlayer);
    EXPECT_EQ(form.VrNumBlock->parentWidget(), form.VrBlotterBand);
    EXPECT_EQ(form.VrClockReal->parentWidget(), form.VrBlotterStation);
    EXPECT_EQ(form.VrNumSize->parentWidget(), form.VrBlotterPlayback);
    EXPECT_EQ(form.MaroImage->parentWidget(), form.VrBlotter9);
    const QPoint exitBefore = form.VrDemoButtonExit->mapTo(&form, QPoint(0, 0));
    form.VrBlotterButtonSet->move(form.VrBlotterButtonSet->pos() + QPoint(-10, -20));
    EXPECT_EQ(form.VrDemoButtonExit->mapTo(&form, QPoint(0, 0)), exitBefore + QPoint(-10, -20));

    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(form.VrDemoButtonStation[size_t(i)]->FontEnter().Color, QColor(0, 255, 255));
        EXPECT_EQ(form.EditStationURL[size_t(i)]->text(), QStringLiteral("Empty"));
        EXPECT_TRUE(form.EditStationURL[size_t(i)]->isHidden());
    }
    EXPECT_EQ(form.VrNumBlock->Min(), 1);
    EXPECT_EQ(form.VrNumBlock->Max(), 100);
    EXPECT_EQ(form.VrScrollBarPlayer1->MaxValue(), 1000);
    EXPECT_EQ(form.VrMatrixConn->Text(), QStringLiteral("INTERNET CONNECTION?"));
    EXPECT_TRUE(form.VrMatrixConn->AutoScroll());
    EXPECT_TRUE(form.Panelxy->isHidden());
    EXPECT_TRUE(form.VrBlotter1->isHidden());
    EXPECT_TRUE(form.TimerSonaveo->isActive());
}

TEST_F(MainFormTest, BlockLayoutMenuListsItsItemsInOrder)
{
    QStringList captions;
    QStringList names;
    for (QAction *a : form.PopupMenuDrag->actions()) {
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
    EXPECT_FALSE(form.EndDragnDrop1->isEnabled());

    QStringList stationItems;
    for (QAction *a : form.DragnDropStationButton11->actions())
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
    QTest::mouseClick(form.VrMainFormShape, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_TRUE(form.PopupMenuDrag->isVisible());
    form.PopupMenuDrag->hide();
}

TEST_F(MainFormTest, AnEmptyMainMenuIsAttachedOnceTheWindowShows)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.MainMenu1 != nullptr; }, 2000));
    EXPECT_EQ(form.MainMenu1->parentWidget(), &form);
    EXPECT_EQ(form.findChild<QMenuBar *>(QStringLiteral("MainMenu1")), form.MainMenu1);
    EXPECT_TRUE(form.MainMenu1->actions().isEmpty());
    EXPECT_TRUE(form.MainMenu1->isHidden()) << "the empty menu takes no room";
    EXPECT_EQ(form.VrMainFormShape->geometry(), QRect(0, 0, 601, 352));
}
