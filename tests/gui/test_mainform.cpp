// The main window's composition: every control at its place with its caption.

#include "mainform.h"
#include "timage.h"
#include "vrblotter.h"
#include "vrclock.h"
#include "vrdemobutton.h"
#include "vrformshape.h"
#include "vrmatrix.h"
#include "vrnum.h"
#include "vrslider.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
struct Place {
    const char *name;
    QRect geometry; // relative to the control's parent
};

// Controls whose size the layout fixes.
const Place kPlaces[] = {
    {"VrMainFormShape", {0, 0, 601, 352}},
    {"VrMatrixConn", {327, 16, 112, 17}},
    {"VrDemoButtonStation1", {48, 66, 190, 18}},
    {"VrDemoButtonStation2", {48, 108, 190, 18}},
    {"VrDemoButtonStation3", {48, 150, 190, 18}},
    {"VrDemoButtonStation4", {48, 192, 190, 18}},
    {"VrDemoButtonStation5", {48, 235, 190, 18}},
    {"VrDemoButtonStation6", {48, 277, 190, 18}},
    {"VrDemoButtonStation7", {48, 319, 190, 18}},
    {"EditStationURL1", {16, 64, 25, 21}},
    {"EditStationURL5", {16, 232, 25, 21}},
    {"EditStationURL7", {16, 312, 25, 21}},
    {"VrDemoButtonStop", {288, 285, 57, 56}},
    {"VrDemoButtonRec", {350, 285, 57, 56}},
    {"VrDemoButtonStart", {412, 285, 57, 56}},
    {"Panelxy", {0, 0, 65, 17}},
    {"VrBlotter1", {352, 8, 121, 65}},
    {"VrBlotterButtonSet", {480, 204, 108, 139}},
    {"VrDemoButtonUnplug", {1, 18, 106, 23}},
    {"VrDemoButtonSkinMaker", {1, 42, 106, 23}},
    {"VrDemoButtonOptions", {1, 66, 106, 23}},
    {"VrDemoButtonBurn", {1, 90, 106, 23}},
    {"VrDemoButtonExit", {1, 114, 106, 23}},
    {"VrBlotterMaro", {0, 0, 107, 18}},
    {"VrBlotter9", {0, 0, 108, 18}},
    {"MaroImage", {3, 3, 102, 12}},
    {"VrBlotterMixer", {469, 9, 117, 115}},
    {"VrBlotterPlayer", {0, 0, 117, 115}},
    {"ImagePlayer1", {6, 4, 33, 33}},
    {"ImagePlayer1GO", {6, 4, 33, 33}},
    {"VrScrollBarPlayer1", {46, 5, 25, 105}},
    {"VrScaledb", {77, 1, 21, 115}},
    {"VrNumVolume", {10, 91, 25, 21}},
    {"VrDemoButtonMixer", {9, 38, 29, 15}},
    {"VrBlotterBand", {290, 60, 160, 56}},
    {"VrDemoButtonBand", {-1, 1, 107, 15}},
    {"VrDemoButtonHistory", {2, 40, 70, 15}},
    {"VrNumBlock", {126, 1, 25, 13}},
    {"VrSpinnerStation", {128, 18, 21, 38}},
    {"VrBlotterStation", {290, 136, 291, 58}},
    {"VrClockReal", {226, 1, 62, 13}},
    {"VrAnimate1", {213, 16, 78, 20}},
    {"VrClockstposition", {226, 41, 62, 13}},
    {"VrBlotterPlayback", {290, 215, 175, 56}},
    {"VrNumSize", {108, 3, 61, 13}},
    {"VrClockDuration", {108, 21, 62, 13}},
    {"VrClockRecPos", {108, 39, 62, 13}},
};

// Labels placed by their top-left corner, with their caption and colour.
struct Caption {
    const char *name;
    QPoint topLeft;
    const char *text;
    QColor color;
};
const QColor kTeal(0, 128, 128);
const QColor kAqua(0, 255, 255);
const Caption kCaptions[] = {
    {"LabelDB", {95, 3}, "dB", kAqua},
    {"LabelVol", {10, 78}, "VOL%", kTeal},
    {"LabelSelectBlock", {1, 20}, "Station Group", kTeal},
    {"LabelStationName", {0, 2}, "Station:", kTeal},
    {"LabelStation", {43, 2}, "none", kAqua},
    {"LabelStationTime", {194, 2}, "Time:", kTeal},
    {"LabelStationBand", {0, 22}, "Format:", kTeal},
    {"Labelgenre", {43, 22}, "Maro Radio Network", kAqua},
    {"LabelStationBuffer", {0, 42}, "Buffer:", kTeal},
    {"LabelBuffer", {43, 42}, "0%", kAqua},
    {"LabelStationBandwidth", {87, 42}, "Bitrate:", kTeal},
    {"LabelBandwidth", {125, 42}, "0", kAqua},
    {"LabelStationPosition", {179, 42}, "Position:", kTeal},
    {"LabelRecSize", {0, 1}, "Record Size (KB):", kTeal},
    {"LabelDuration", {0, 21}, "Record Length:", kTeal},
    {"LabelPosition", {0, 40}, "Record Position:", kTeal},
};
} // namespace

class MainFormTest : public ::testing::Test {
protected:
    TMainForm form;
};

TEST_F(MainFormTest, EveryControlSitsAtItsPlaceUnderItsName)
{
    EXPECT_EQ(form.size(), QSize(601, 352));
    for (const Place &p : kPlaces) {
        auto *w = form.findChild<QWidget *>(QLatin1String(p.name));
        ASSERT_NE(w, nullptr) << p.name;
        EXPECT_EQ(w->geometry(), p.geometry) << p.name;
    }
    // Blocks hold their controls: moving a block moves them.
    EXPECT_EQ(form.VrDemoButtonExit->parentWidget(), form.VrBlotterButtonSet);
    EXPECT_EQ(form.VrScrollBarPlayer1->parentWidget(), form.VrBlotterPlayer);
    EXPECT_EQ(form.VrNumBlock->parentWidget(), form.VrBlotterBand);
    EXPECT_EQ(form.VrClockReal->parentWidget(), form.VrBlotterStation);
    EXPECT_EQ(form.VrNumSize->parentWidget(), form.VrBlotterPlayback);
    EXPECT_EQ(form.MaroImage->parentWidget(), form.VrBlotter9);
}

TEST_F(MainFormTest, CaptionsAndInitialValuesAreThoseOfAFreshStart)
{
    for (const Caption &c : kCaptions) {
        auto *l = form.findChild<QLabel *>(QLatin1String(c.name));
        ASSERT_NE(l, nullptr) << c.name;
        EXPECT_EQ(l->text(), QLatin1String(c.text)) << c.name;
        EXPECT_EQ(l->pos(), c.topLeft) << c.name;
        EXPECT_EQ(l->palette().color(QPalette::WindowText), c.color) << c.name;
    }
    EXPECT_EQ(form.LabelStation->width(), 144);
    EXPECT_EQ(form.Labelgenre->width(), 136);

    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(form.VrDemoButtonStation[size_t(i)]->Caption(), QStringLiteral("none"));
        EXPECT_EQ(form.VrDemoButtonStation[size_t(i)]->FontLeave().Color, kTeal);
        EXPECT_EQ(form.VrDemoButtonStation[size_t(i)]->FontEnter().Color, kAqua);
        EXPECT_EQ(form.EditStationURL[size_t(i)]->text(), QStringLiteral("Empty"));
        EXPECT_TRUE(form.EditStationURL[size_t(i)]->isHidden());
    }
    const std::pair<TVrDemoButton *, const char *> buttons[] = {
        {form.VrDemoButtonStop, "STOP"},          {form.VrDemoButtonRec, "REC"},
        {form.VrDemoButtonStart, "PLAY"},         {form.VrDemoButtonUnplug, "Disconnect"},
        {form.VrDemoButtonSkinMaker, "Skin Designer"}, {form.VrDemoButtonOptions, "Options"},
        {form.VrDemoButtonBurn, "About"},         {form.VrDemoButtonExit, "Exit"},
        {form.VrDemoButtonMixer, "Mixer"},        {form.VrDemoButtonBand, "Choose Station Band"},
        {form.VrDemoButtonHistory, "Station History"},
    };
    for (const auto &[b, caption] : buttons)
        EXPECT_EQ(b->Caption(), QLatin1String(caption));
    EXPECT_EQ(form.VrDemoButtonStop->Color(), QColor(255, 0, 0));
    EXPECT_EQ(form.VrDemoButtonRec->Color(), QColor(255, 0, 0));
    EXPECT_EQ(form.VrDemoButtonStart->Color().green(), 255);

    EXPECT_EQ(form.VrNumVolume->displayText(), QStringLiteral("100"));
    EXPECT_EQ(form.VrNumBlock->displayText(), QStringLiteral("001"));
    EXPECT_EQ(form.VrNumBlock->Min(), 1);
    EXPECT_EQ(form.VrNumBlock->Max(), 100);
    EXPECT_EQ(form.VrScrollBarPlayer1->Position(), 1000);
    EXPECT_EQ(form.VrScrollBarPlayer1->MaxValue(), 1000);
    EXPECT_EQ(form.VrClockstposition->displayText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(form.VrMatrixConn->Text(), QStringLiteral("INTERNET CONNECTION?"));
    EXPECT_TRUE(form.VrMatrixConn->AutoScroll());
    EXPECT_EQ(form.VrMatrixConn->TimeInterval(), 250);
    EXPECT_EQ(form.VrMatrixConn->Leds(), 10);
    EXPECT_TRUE(form.Panelxy->isHidden());
    EXPECT_EQ(form.Panelxy->text(), QStringLiteral("1000x1000"));
    EXPECT_TRUE(form.VrBlotter1->isHidden());
    EXPECT_FALSE(form.ImagePlayer1GO->Shown());
    EXPECT_EQ(form.TimerSonaveo->interval(), 100);
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
