// Skins on the whole program: applying one to every window, the skin designer's
// buttons and dialogs, and the block layout of the main window.

#include "app/forms.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "fakedialogs.h"
#include "fakenetwork.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "playback/stationplayback.h"
#include "skin/skinfile.h"
#include "skin/skinform.h"
#include "widgets/vrblotter.h"
#include "widgets/vrclock.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrformshape.h"
#include "widgets/vrmatrix.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"
#include "widgets/vrspinner.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "golden.h"

namespace {

QColor textColour(const QWidget *w) { return w->palette().color(QPalette::WindowText); }

int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Pixels of a colour (give or take the edges of smoothed text) in part of a picture.
int countColour(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (colourDistance(image.pixel(x, y), colour.rgb()) < 24)
                ++n;
    return n;
}

// A picture of the given size, grey inside, with the four corner squares of
// 20 pixels in the transparent colour.
QImage cornerPicture(QSize size, TColor transparent)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0x30, 0x60, 0x90));
    QPainter p(&image);
    const int c = 20;
    for (QPoint corner : {QPoint(0, 0), QPoint(size.width() - c, 0), QPoint(0, size.height() - c),
                          QPoint(size.width() - c, size.height() - c)})
        p.fillRect(QRect(corner, QSize(c, c)), toQColor(transparent));
    return image;
}

// The whole program's windows in a data folder of their own, dialogs answered by
// the test.
class SkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        createWindows(windows);
        main = windows.MainForm.get();
        skin = windows.SkinForm.get();
        main->ui().TimerSonaveo->stop();
        main->setDataDirectory(dir.path());
        main->skipFirstLoading(); // the start-up loading is not under test here
        main->ui().VrMainFormShape->Loaded();
        skin->EditDir->setText(dir.path());
    }
    QString file(const QString &name) const { return QDir(dir.path()).filePath(name); }
    QString savePicture(const QString &name, const QImage &image) const
    {
        const QString path = file(name);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    std::array<QPoint, kSkinControlCount> places() const
    {
        std::array<QPoint, kSkinControlCount> p{};
        for (int n = 1; n <= kSkinControlCount; ++n)
            p[size_t(n - 1)] = main->movableControl(n)->pos();
        return p;
    }
    // The buttons that change the skin again and end the program lie wholly
    // inside the window's outline.
    void expectSkinDesignerAndExitWhole() const
    {
        for (TVrDemoButton *b : {main->ui().VrDemoButtonSkinMaker, main->ui().VrDemoButtonExit}) {
            const QRect inWindow(b->mapTo(main, QPoint(0, 0)), b->size());
            EXPECT_TRUE((QRegion(inWindow) - main->ui().VrMainFormShape->Outline()).isEmpty())
                << b->objectName().toStdString();
        }
    }
    // Writes a skin file: the default skin with the given changes.
    QString writeSkin(const QString &name, const std::function<void(TSkin &)> &change) const
    {
        TSkin s = DefaultSkin();
        change(s);
        const QString path = file(name);
        SaveSkinFile(path, s);
        return path;
    }

    FakePlatform fake;
    FakeDialogs dialogs;
    QTemporaryDir dir;
    TApplicationWindows windows;
    TMainForm *main = nullptr;
    TSkinForm *skin = nullptr;
};

// ---------------------------------------------------------------------------
// Applying

TEST_F(SkinTest, WithoutAPictureApplyingChangesOnlyColoursAndTheLedText)
{
    ASSERT_EQ(skin->EditSkin->text(), QStringLiteral("default"));
    const QSize size = main->size();
    const QRegion outline = main->ui().VrMainFormShape->Outline();
    const QImage picture = main->ui().VrMainFormShape->Mask();
    const int scans = main->ui().VrMainFormShape->RegionScans();
    const auto before = places();

    skin->PanelWActive->setColor(clRed);
    skin->PanelTrans->setColor(clBlue);
    skin->EditLEDMatrix->setText(QStringLiteral("HELLO WORLD"));
    for (bool reload : {true, false}) {
        skin->ApplySkin(reload);
        EXPECT_EQ(main->size(), size);
        EXPECT_EQ(main->ui().VrMainFormShape->size(), size);
        EXPECT_EQ(main->ui().VrMainFormShape->Outline(), outline);
        EXPECT_EQ(main->ui().VrMainFormShape->Mask(), picture);
        EXPECT_EQ(main->ui().VrMainFormShape->RegionScans(), scans);
        EXPECT_EQ(main->ui().VrMainFormShape->MaskColorValue(), clPurple) << "no picture, no transparent colour";
        EXPECT_EQ(places(), before);
        EXPECT_EQ(main->ui().VrMatrixConn->Text(), QStringLiteral("HELLO WORLD"));
        EXPECT_EQ(main->ui().VrNumVolume->Palette().High, QColor(Qt::red));
    }
}

TEST_F(SkinTest, APictureOfAnotherSizeResizesTheWindowAndRescansOnlyWhenItMust)
{
    const auto before = places();
    skin->EditSkin->setText(savePicture(QStringLiteral("big.bmp"), cornerPicture({640, 400}, clMaroon)));
    const int scans = main->ui().VrMainFormShape->RegionScans();

    skin->ApplySkin(true);
    EXPECT_EQ(main->size(), QSize(640, 400));
    EXPECT_EQ(main->ui().VrMainFormShape->geometry(), QRect(0, 0, 640, 400));
    EXPECT_EQ(main->ui().VrMainFormShape->Mask().size(), QSize(640, 400));
    EXPECT_EQ(places(), before) << "positions come only from skin files and the block layout";
    // Picture handed over (one scan with the old colour), then the transparent
    // colour changed from purple to maroon (one more).
    EXPECT_EQ(main->ui().VrMainFormShape->RegionScans(), scans + 2);
    const QRegion outline = main->ui().VrMainFormShape->Outline();
    EXPECT_FALSE(outline.contains(QPoint(5, 5)));
    EXPECT_FALSE(outline.contains(QPoint(630, 395)));
    EXPECT_TRUE(outline.contains(QPoint(320, 200)));
    EXPECT_TRUE(outline.contains(QPoint(25, 5)));

    // The seven colour buttons' way: no rescan while the transparent colour stays.
    skin->PanelMouseOver->setColor(clYellow);
    skin->ApplySkin(false);
    EXPECT_EQ(main->ui().VrMainFormShape->RegionScans(), scans + 2);
    // A new transparent colour is cut out at once, even without reloading.
    skin->PanelTrans->setColor(0x906030); // the picture's inside
    skin->ApplySkin(false);
    EXPECT_EQ(main->ui().VrMainFormShape->RegionScans(), scans + 3);
    EXPECT_FALSE(main->ui().VrMainFormShape->Outline().contains(QPoint(320, 200)));
    // Reloading always scans the picture again.
    skin->ApplySkin(true);
    EXPECT_EQ(main->ui().VrMainFormShape->RegionScans(), scans + 4);
}

TEST_F(SkinTest, AnUnreadablePictureChangesNothing)
{
    const QString bad = file(QStringLiteral("bad.bmp"));
    ASSERT_TRUE(writeBytes(bad, "BM this is no picture"));
    const QSize size = main->size();
    const QRegion outline = main->ui().VrMainFormShape->Outline();
    const QImage picture = main->ui().VrMainFormShape->Mask();
    const TVrPalette volume = main->ui().VrNumVolume->Palette();
    skin->EditSkin->setText(bad);
    skin->PanelWActive->setColor(clRed);
    skin->PanelTrans->setColor(clBlue);
    try {
        skin->ApplySkin(true);
        FAIL() << "a bad picture was accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Bitmap image is not valid"));
    }
    EXPECT_EQ(main->size(), size);
    EXPECT_EQ(main->ui().VrMainFormShape->Outline(), outline);
    EXPECT_EQ(main->ui().VrMainFormShape->Mask(), picture);
    EXPECT_EQ(main->ui().VrMainFormShape->MaskColorValue(), clPurple);
    EXPECT_EQ(main->ui().VrNumVolume->Palette(), volume) << "the colours do not run";
}

TEST_F(SkinTest, APictureThatIsCutShortOrTooSmallIsRefusedAndChangesNothing)
{
    main->show();
    const QString whole = savePicture(QStringLiteral("whole.bmp"), cornerPicture({500, 300}, clMaroon));
    const QString cut = file(QStringLiteral("cut.bmp"));
    ASSERT_TRUE(writeBytes(cut, bytesOf(whole).left(2000)));
    const QString tooSmall = QStringLiteral("The picture is too small: it must be at least 107 \u00D7 95 pixels");
    const struct {
        QString picture;
        QString message;
    } rows[] = {
        {cut, QStringLiteral("Bitmap image is not valid")},
        {savePicture(QStringLiteral("dot.bmp"), cornerPicture({1, 1}, clMaroon)), tooSmall},
        {savePicture(QStringLiteral("strip.bmp"), cornerPicture({2, 200}, clMaroon)), tooSmall},
        {savePicture(QStringLiteral("narrow.bmp"), cornerPicture({106, 400}, clMaroon)), tooSmall},
        {savePicture(QStringLiteral("low.bmp"), cornerPicture({700, 94}, clMaroon)), tooSmall},
    };
    const TSkin skinBefore = skin->currentSkin();
    const QSize size = main->size();
    const QRegion outline = main->ui().VrMainFormShape->Outline();
    const QImage picture = main->ui().VrMainFormShape->Mask();
    const auto before = places();
    for (const auto &row : rows) {
        dialogs.messages.clear();
        dialogs.places.clear();
        dialogs.nextFile.push_back(row.picture);
        QTest::mouseClick(skin->VrDemoButtonBackground, Qt::LeftButton);
        const std::string what = QFileInfo(row.picture).fileName().toStdString();
        EXPECT_EQ(dialogs.messages, QStringList{row.message}) << what;
        EXPECT_EQ(dialogs.places, QStringList{QFileInfo(row.picture).absoluteFilePath()}) << what;
        EXPECT_EQ(skin->currentSkin(), skinBefore) << what;
        EXPECT_EQ(skin->EditSkin->text(), QStringLiteral("default")) << what;
        EXPECT_TRUE(main->isVisible()) << what;
        EXPECT_EQ(main->size(), size) << what;
        EXPECT_EQ(main->ui().VrMainFormShape->Outline(), outline) << what;
        EXPECT_EQ(main->ui().VrMainFormShape->Mask(), picture) << what;
        EXPECT_EQ(places(), before) << what;
    }

    // A skin file naming such a picture is not taken either.
    const QString small = writeSkin(QStringLiteral("small.skn"), [&](TSkin &s) {
        s.Picture = rows[1].picture;
        s.WindowActive = clRed;
        s.Places[0] = {5, 5};
    });
    dialogs.messages.clear();
    dialogs.nextFile.push_back(small);
    QTest::mouseClick(skin->VrDemoButtonLoadSkin, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages, QStringList{tooSmall});
    EXPECT_EQ(skin->currentSkin(), skinBefore);
    EXPECT_EQ(places(), before);
    EXPECT_EQ(main->size(), size);

    // The smallest picture allowed shows the Skin Designer and Exit buttons whole,
    // with the button block pulled in from where it sits.
    dialogs.messages.clear();
    dialogs.nextFile.push_back(savePicture(QStringLiteral("smallest.bmp"), cornerPicture({107, 95}, clFuchsia)));
    QTest::mouseClick(skin->VrDemoButtonBackground, Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(main->size(), QSize(107, 95));
    expectSkinDesignerAndExitWhole();
}

TEST_F(SkinTest, EachColourReachesItsControlsInEveryWindow)
{
    // The band window composes its controls by these names; the ones it does not
    // have (yet) are put there for the test.
    QWidget *band = windows.BandForm.get();
    auto bandChild = [band]<typename T>(T *, const char *name) {
        T *w = band->findChild<T *>(QLatin1String(name));
        if (!w) {
            w = new T(band);
            w->setObjectName(QLatin1String(name));
        }
        return w;
    };
    QLabel *bandTitle = bandChild((QLabel *)nullptr, "LabelStationBand");
    QLabel *bandGenre = bandChild((QLabel *)nullptr, "LabelAddGenre");
    TVrDemoButton *bandAdd = bandChild((TVrDemoButton *)nullptr, "VrDemoButtonAdd");
    TVrBlotter *bandPanel = bandChild((TVrBlotter *)nullptr, "VrBlotterBands");

    const QColor wActive(0x11, 0x22, 0x33), wPassive(0x44, 0x55, 0x66), active(0x77, 0x88, 0x99),
        passive(0xAA, 0xBB, 0xCC), popUp(0x10, 0x20, 0x30), buttonText(0xDD, 0xEE, 0xF0),
        mouseOver(0x01, 0x02, 0x03);
    auto t = [](const QColor &c) { return TColor(c.red() | c.green() << 8 | c.blue() << 16); };
    skin->PanelWActive->setColor(t(wActive));
    skin->PanelWPassive->setColor(t(wPassive));
    skin->PanelActive->setColor(t(active));
    skin->PanelPassive->setColor(t(passive));
    skin->PanelPopup->setColor(t(popUp));
    skin->PanelButtonText->setColor(t(buttonText));
    skin->PanelMouseOver->setColor(t(mouseOver));
    const TVrFont stopBefore = main->ui().VrDemoButtonStop->FontLeave();
    skin->ApplySkin(false);

    THistoryForm *history = windows.HistoryForm.get();
    TEditStationForm *editor = windows.EditStationForm.get();
    TOptionsForm *options = windows.OptionsForm.get();
    // Active colour
    EXPECT_EQ(textColour(skin->LabelSkinTop), active);
    EXPECT_EQ(skin->EditSkin->palette().color(QPalette::Text), active);
    EXPECT_EQ(textColour(bandTitle), active);
    EXPECT_EQ(editor->EditStationURL->palette().color(QPalette::Text), active);
    EXPECT_EQ(textColour(history->LabelHistory), active);
    EXPECT_EQ(history->VrDemoButtonHis[10]->FontEnter().Color, active);
    EXPECT_EQ(options->DriverBox->palette().color(QPalette::Text), active);
    // Passive colour
    EXPECT_EQ(textColour(skin->LabelMatrix), passive);
    EXPECT_EQ(textColour(bandGenre), passive);
    EXPECT_EQ(textColour(editor->LabelSTEx), passive);
    EXPECT_EQ(history->VrDemoButtonHis[0]->FontLeave().Color, passive);
    EXPECT_EQ(textColour(options->LabelTempFile), passive);
    // Window colours, with the spinner ending all passive
    EXPECT_EQ(main->ui().VrMatrixConn->Palette().High, wActive);
    EXPECT_EQ(main->ui().VrDemoButtonMixer->FontLeave().Color, wActive);
    EXPECT_EQ(main->ui().VrDemoButtonHistory->FontEnter().Color, wActive);
    EXPECT_EQ(textColour(main->ui().Labelgenre), wActive);
    EXPECT_EQ(main->ui().VrClockRecPos->Palette(), (TVrPalette{wPassive, wActive}));
    EXPECT_EQ(main->ui().VrSpinnerStation->Palette(), (TVrPalette{wPassive, wPassive}));
    EXPECT_EQ(main->ui().VrScrollBarPlayer1->Palette(), (TVrPalette{wPassive, wActive}));
    EXPECT_EQ(textColour(main->ui().LabelStationBand), wPassive);
    EXPECT_EQ(main->ui().VrDemoButtonStation[6]->FontEnter().Color, wActive);
    EXPECT_EQ(main->ui().VrDemoButtonStation[6]->FontLeave().Color, wPassive);
    // Button text and mouse-over
    for (TVrDemoButton *b : {main->ui().VrDemoButtonExit, skin->VrDemoButtonExitSkin, bandAdd, editor->VrDemoButtonExit,
                             history->VrDemoButtonCloseHistory, options->VrDemoButtonHelp}) {
        EXPECT_EQ(b->FontLeave().Color, buttonText) << b->objectName().toStdString();
        EXPECT_EQ(b->FontEnter().Color, mouseOver) << b->objectName().toStdString();
    }
    // Pop-up colour
    for (TVrBlotter *b : {skin->VrBlotterSkinMaker, bandPanel, editor->VrBlotterStation, history->VrBlotterHistory,
                          options->VrBlotterOptions})
        EXPECT_EQ(b->Color(), popUp) << b->objectName().toStdString();
    // Never touched
    EXPECT_EQ(main->ui().VrDemoButtonStop->FontLeave(), stopBefore);
    EXPECT_EQ(main->ui().VrBlotterMixer->Color(), QColor(Qt::black));
    EXPECT_EQ(options->VrMatrix1->Palette().High, QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(SkinTest, ANewWindowPassiveColourIsKeptByTheDisplaysAndShowsOnStationButtonsOnly)
{
    const QColor passive(0xE0, 0x30, 0xB0);
    const QImage before = main->grab().toImage();
    skin->PanelWPassive->setColor(0xB030E0);
    skin->ApplySkin(false);
    const QImage after = main->grab().toImage();

    auto inMain = [this](QWidget *w) { return QRect(w->mapTo(main, QPoint(0, 0)), w->size()); };
    // The numbers and clocks keep the colour as their Low colour, but draw their
    // unlit segments as a dim copy of the lit colour: it shows on none of them.
    for (TVrNum *n : {main->ui().VrNumVolume, main->ui().VrNumBlock, main->ui().VrNumSize}) {
        EXPECT_EQ(n->Palette().Low, passive) << n->objectName().toStdString();
        EXPECT_EQ(countColour(after, inMain(n), passive), 0) << n->objectName().toStdString();
    }
    for (TVrClock *c : {main->ui().VrClockstposition, main->ui().VrClockDuration, main->ui().VrClockRecPos,
                        main->ui().VrClockReal}) {
        EXPECT_EQ(c->Palette().Low, passive) << c->objectName().toStdString();
        EXPECT_EQ(countColour(after, inMain(c), passive), 0) << c->objectName().toStdString();
    }
    for (TVrDemoButton *b : main->ui().VrDemoButtonStation)
        EXPECT_GT(countColour(after, inMain(b), passive), 5) << b->objectName().toStdString();
    for (TVrDemoButton *b : {main->ui().VrDemoButtonStop, main->ui().VrDemoButtonRec, main->ui().VrDemoButtonStart}) {
        const QRect r = inMain(b);
        EXPECT_EQ(before.copy(r), after.copy(r)) << b->objectName().toStdString();
    }
}

namespace {

// What a display shows, read from its painted pixels: the lit colour (the
// palette's High colour, found among the pixels) and every other colour that
// is neither the lit one nor the display's ground, which are its unlit
// segments or dots. The matrix is read inside its frame.
struct ShownSegments {
    QColor lit;
    int litPixels = 0;
    QList<QColor> unlit;
};

ShownSegments shownSegments(QWidget *display, const QColor &high, const QColor &ground, int frame = 0)
{
    const QImage shot = display->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ShownSegments seen;
    seen.lit = high;
    const QRect area = shot.rect().adjusted(frame, frame, -frame, -frame);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c == high)
                ++seen.litPixels;
            else if (c != ground && !seen.unlit.contains(c))
                seen.unlit.append(c);
        }
    return seen;
}

// The web's relative luminance and contrast ratio, worked out here from the
// pixels' channels.
double luminanceOf(const QColor &c)
{
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrastOf(const QColor &a, const QColor &b)
{
    const double la = luminanceOf(a), lb = luminanceOf(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// Every digit display and the LED matrix of the main window tell lit from unlit
// segments at a glance: at 7:1 or more for the default skin and for a skin of
// other colours, and where a skin's lit colour is itself too dark for that, the
// unlit segments are at most a fifth of its brightness.
TEST_F(SkinTest, LitSegmentsStandOutFromUnlitOnesInEverySkin)
{
    const struct {
        const char *skin;
        QColor windowActive, windowPassive;
        bool readable; // bright enough a lit colour for 7:1
    } skins[] = {
        {"default", QColor(0, 255, 255), QColor(0, 128, 128), true},
        {"mid green on dark green", QColor(0x40, 0xC0, 0x40), QColor(0x10, 0x50, 0x10), true},
        {"dark lit colour", QColor(0x10, 0x60, 0x50), QColor(0x08, 0x30, 0x28), false},
    };
    for (const auto &row : skins) {
        SCOPED_TRACE(row.skin);
        const QRgb active = row.windowActive.rgb(), passive = row.windowPassive.rgb();
        skin->PanelWActive->setColor(TColor(qRed(active)) | TColor(qGreen(active)) << 8 | TColor(qBlue(active)) << 16);
        skin->PanelWPassive->setColor(TColor(qRed(passive)) | TColor(qGreen(passive)) << 8 |
                                      TColor(qBlue(passive)) << 16);
        skin->ApplySkin(false);

        struct Display {
            QWidget *widget;
            int frame;
        };
        const Display displays[] = {
            {main->ui().VrMatrixConn, main->ui().VrMatrixConn->Bevel().BorderWidth()},
            {main->ui().VrNumVolume, 0}, {main->ui().VrNumBlock, 0}, {main->ui().VrNumSize, 0},
            {main->ui().VrClockReal, 0}, {main->ui().VrClockstposition, 0}, {main->ui().VrClockDuration, 0},
            {main->ui().VrClockRecPos, 0},
        };
        for (const Display &d : displays) {
            SCOPED_TRACE(d.widget->objectName().toStdString());
            const ShownSegments seen = shownSegments(d.widget, row.windowActive, Qt::black, d.frame);
            ASSERT_GT(seen.litPixels, 10);
            ASSERT_FALSE(seen.unlit.isEmpty());
            for (const QColor &unlit : seen.unlit) {
                if (row.readable) {
                    EXPECT_GE(contrastOf(seen.lit, unlit), 7.0) << unlit.name().toStdString();
                }
                EXPECT_LE(luminanceOf(unlit), 0.2 * luminanceOf(seen.lit)) << unlit.name().toStdString();
                EXPECT_LE(unlit.value(), seen.lit.value() / 5) << unlit.name().toStdString();
            }
        }
    }
}

// A pop-up window's frame takes its shades from the skin's pop-up colour: a
// lighter edge at the top left and a darker one at the bottom right, in the
// panel's own hue rather than in white and grey.
TEST_F(SkinTest, PopUpFramesAreShadesOfThePopUpColour)
{
    skin->PanelPopup->setColor(0x603020); // a dark blue: 20 30 60
    skin->ApplySkin(false);
    const QImage panel = windows.OptionsForm->VrBlotterOptions->render().convertToFormat(QImage::Format_RGB32);
    const QColor inside = panel.pixelColor(panel.width() / 2, panel.height() / 2);
    const QColor top = panel.pixelColor(panel.width() / 2, 0);
    const QColor bottom = panel.pixelColor(panel.width() / 2, panel.height() - 1);
    // The face is brushed metal of the pop-up colour: grain a few levels
    // either way, light falling from the top.
    EXPECT_NEAR(inside.red(), 0x20, 16);
    EXPECT_NEAR(inside.green(), 0x30, 16);
    EXPECT_NEAR(inside.blue(), 0x60, 16);
    EXPECT_GT(top.value(), inside.value());
    EXPECT_LT(bottom.value(), inside.value());
    for (const QColor &edge : {top, bottom}) {
        EXPECT_GT(edge.blue(), edge.red()) << edge.name().toStdString();
        EXPECT_LT(std::abs(edge.value() - inside.value()), 0x40) << "low contrast: " << edge.name().toStdString();
    }
}

TEST_F(SkinTest, TheLedTextShowsWhileOnlineAndTheConnectionQuestionWhileOffline)
{
    skin->EditLEDMatrix->setText(QStringLiteral("RADIO NIGHTS"));
    skin->ApplySkin(false);
    EXPECT_EQ(main->ui().VrMatrixConn->Text(), QStringLiteral("RADIO NIGHTS"));
    fake.network->connected = false;
    main->playback()->TimerSonaveoTimer();
    EXPECT_EQ(main->ui().VrMatrixConn->Text(), kOfflineLedText);
    fake.network->connected = true;
    main->playback()->TimerSonaveoTimer();
    EXPECT_EQ(main->ui().VrMatrixConn->Text(), QStringLiteral("RADIO NIGHTS"));
}

// ---------------------------------------------------------------------------
// The designer

// The designer as a user first sees it, compared with tests/golden/skindesigner.png
// (SONAVEO_UPDATE_GOLDEN=1 writes it anew).
TEST_F(SkinTest, DesignerLooksAsInTheGoldenPicture)
{
    EXPECT_EQ(skin->currentSkin(), DefaultSkin()) << "no skin loaded: the built-in one";
    EXPECT_TRUE(skin->EditDir->isHidden());
    const QImage shot = skin->grab().toImage();
    EXPECT_TRUE(testsupport::matchesGolden(shot, QStringLiteral("skindesigner")));
    // The swatches are plain panels showing their colour.
    EXPECT_EQ(QColor(shot.pixel(146 + 12, 85 + 12)), QColor(0x80, 0, 0));
    EXPECT_EQ(QColor(shot.pixel(116 + 12, 343 + 12)), QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(SkinTest, ColourButtonsTakeTheDialogsAnswerAndStartFromTheLastChoice)
{
    // Cancelled: nothing changes.
    const TSkin unchanged = skin->currentSkin();
    QTest::mouseClick(skin->VrDemoButtonWActive, Qt::LeftButton);
    EXPECT_EQ(skin->currentSkin(), unchanged);
    EXPECT_EQ(main->ui().VrNumVolume->Palette().High, toQColor(clAqua));

    const struct {
        TVrDemoButton *button;
        TSkinSwatch *swatch;
        QColor chosen;
    } rows[] = {
        {skin->VrDemoButtonWActive, skin->PanelWActive, QColor(0xFF, 0x80, 0x40)},
        {skin->VrDemoButtonWPassive, skin->PanelWPassive, QColor(0x10, 0x20, 0x30)},
        {skin->VrDemoButtonActive, skin->PanelActive, QColor(0x40, 0x50, 0x60)},
        {skin->VrDemoButtonPassive, skin->PanelPassive, QColor(0x70, 0x80, 0x90)},
        {skin->VrDemoButtonPopUp, skin->PanelPopup, QColor(0x05, 0x06, 0x07)},
        {skin->VrDemoButtonText, skin->PanelButtonText, QColor(0xA0, 0xB0, 0xC0)},
        {skin->VrDemoButtonMouseOver, skin->PanelMouseOver, QColor(0xD0, 0xE0, 0xF0)},
    };
    for (const auto &row : rows) {
        dialogs.nextColor.push_back(row.chosen);
        QTest::mouseClick(row.button, Qt::LeftButton);
        EXPECT_EQ(toQColor(row.swatch->Color()), row.chosen) << row.button->objectName().toStdString();
    }
    // Black first, then always the colour chosen last (not the swatch's own).
    QList<QColor> expectedStarts = {Qt::black, Qt::black};
    for (int i = 0; i < 6; ++i)
        expectedStarts << rows[i].chosen;
    EXPECT_EQ(dialogs.initialColors, expectedStarts);
    EXPECT_EQ(skin->lastChosenColor(), TColor(0xF0E0D0));
    // Applied at once: the designer's own title takes the active colour.
    EXPECT_EQ(textColour(skin->LabelSkinTop), QColor(0x40, 0x50, 0x60));
    EXPECT_EQ(textColour(skin->LabelGlobal), QColor(0x70, 0x80, 0x90));
    EXPECT_EQ(main->ui().VrNumVolume->Palette(), (TVrPalette{QColor(0x10, 0x20, 0x30), QColor(0xFF, 0x80, 0x40)}));
    EXPECT_EQ(skin->PanelTrans->Color(), clMaroon) << "only Set Transparent Color changes it";
}

TEST_F(SkinTest, LoadImageAndSetTransparentColourReshapeTheMainWindowAtTheScreenCorner)
{
    main->move(200, 150);
    main->show();
    const QString picture = savePicture(QStringLiteral("corners.bmp"), cornerPicture({500, 300}, clMaroon));
    dialogs.nextFile.push_back(picture);
    QTest::mouseClick(skin->VrDemoButtonBackground, Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("Hintergrundgrafik auswählen")});
    EXPECT_EQ(dialogs.folders, QStringList{dir.path() + QLatin1Char('/')});
    EXPECT_TRUE(dialogs.filters.first().startsWith(QStringLiteral("Bitmaps (*.bmp)")));
    EXPECT_EQ(skin->EditSkin->text(), picture);
    EXPECT_EQ(main->pos(), QPoint(0, 0));
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->size(), QSize(500, 300));
    EXPECT_EQ(skin->PanelTrans->Color(), clMaroon);
    EXPECT_FALSE(main->ui().VrMainFormShape->Outline().contains(QPoint(3, 3)));

    // The same transparent colour again: the full sequence, one scan of the
    // reloaded picture.
    main->move(40, 40);
    const int scans = main->ui().VrMainFormShape->RegionScans();
    dialogs.nextColor.push_back(toQColor(clMaroon));
    QTest::mouseClick(skin->VrDemoButtonTrans, Qt::LeftButton);
    EXPECT_EQ(main->pos(), QPoint(0, 0));
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->ui().VrMainFormShape->RegionScans(), scans + 1);
    // A new one cuts the inside out as well.
    dialogs.nextColor.push_back(QColor(0x30, 0x60, 0x90));
    QTest::mouseClick(skin->VrDemoButtonTrans, Qt::LeftButton);
    EXPECT_EQ(skin->PanelTrans->Color(), TColor(0x906030));
    EXPECT_FALSE(main->ui().VrMainFormShape->Outline().contains(QPoint(250, 150)));

    // A bad picture: the error is shown, the main window is back with its old
    // picture and size.
    const QString bad = file(QStringLiteral("bad.bmp"));
    ASSERT_TRUE(writeBytes(bad, "BM?"));
    dialogs.nextFile.push_back(bad);
    QTest::mouseClick(skin->VrDemoButtonBackground, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Bitmap image is not valid")});
    EXPECT_EQ(dialogs.places, QStringList{bad}) << "the message names the picture";
    EXPECT_EQ(dialogs.kinds, QList<MessageKind>{MessageKind::Error});
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->size(), QSize(500, 300));

    // Cancelled dialogs change nothing.
    const TSkin now = skin->currentSkin();
    QTest::mouseClick(skin->VrDemoButtonBackground, Qt::LeftButton);
    QTest::mouseClick(skin->VrDemoButtonTrans, Qt::LeftButton);
    EXPECT_EQ(skin->currentSkin(), now);
}

TEST_F(SkinTest, LoadSkinPutsTheFileInPlaceAndSaveSkinWritesIt)
{
    main->move(120, 80);
    main->show();
    const QString picture = savePicture(QStringLiteral("p.bmp"), cornerPicture({620, 360}, clFuchsia));
    const QString path = writeSkin(QStringLiteral("night.skn"), [&](TSkin &s) {
        s.Picture = picture;
        s.WindowActive = clYellow;
        s.LEDMatrix = QStringLiteral("NIGHT SHIFT");
        s.Transparent = clFuchsia;
        s.Places[2] = {10, 20};  // band block
        s.Places[15] = {300, 5}; // station button 7
    });
    dialogs.nextFile.push_back(path);
    QTest::mouseClick(skin->VrDemoButtonLoadSkin, Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("Load Skin")});
    EXPECT_EQ(dialogs.folders, QStringList{dir.path()});
    EXPECT_EQ(dialogs.filters, QStringList{QStringLiteral("Skin (*.skn)")});
    EXPECT_EQ(main->pos(), QPoint(120, 80)) << "the main window keeps its place";
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->size(), QSize(620, 360));
    EXPECT_EQ(main->ui().VrBlotterBand->pos(), QPoint(10, 20));
    EXPECT_EQ(main->ui().VrDemoButtonStation[6]->pos(), QPoint(300, 5));
    EXPECT_EQ(main->ui().VrMatrixConn->Text(), QStringLiteral("NIGHT SHIFT"));
    EXPECT_EQ(main->ui().VrNumBlock->Palette().High, QColor(Qt::yellow));
    EXPECT_EQ(main->ui().VrMainFormShape->MaskColorValue(), clFuchsia);
    EXPECT_FALSE(main->ui().VrMainFormShape->Outline().contains(QPoint(2, 2)));

    // Save Skin: 42 lines of what is in use, ".skn" added to a bare name.
    dialogs.nextFile.push_back(file(QStringLiteral("copy")));
    QTest::mouseClick(skin->VrDemoButtonSaveSkin, Qt::LeftButton);
    EXPECT_EQ(dialogs.asked.last(), QStringLiteral("Save Skin"));
    EXPECT_EQ(dialogs.folders.last(), dir.path());
    const QByteArray saved = bytesOf(file(QStringLiteral("copy.skn")));
    EXPECT_EQ(saved, bytesOf(path));
    EXPECT_EQ(saved.count("\r\n"), 42);
    EXPECT_TRUE(dialogs.questions.isEmpty());
    // A bare name whose ".skn" file is there already: the question is about that
    // file, and No keeps it.
    ASSERT_TRUE(writeBytes(file(QStringLiteral("mine.skn")), "kept\r\n"));
    dialogs.nextFile.push_back(file(QStringLiteral("mine")));
    QTest::mouseClick(skin->VrDemoButtonSaveSkin, Qt::LeftButton);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].contains(file(QStringLiteral("mine.skn")))) << dialogs.questions[0].toStdString();
    EXPECT_EQ(bytesOf(file(QStringLiteral("mine.skn"))), "kept\r\n");
    // An empty picture field is saved, and then shown, as "default".
    skin->EditSkin->clear();
    skin->saveSkin(file(QStringLiteral("empty.skn")));
    EXPECT_TRUE(bytesOf(file(QStringLiteral("empty.skn"))).startsWith("default\r\nclYellow\r\n"));
    EXPECT_EQ(skin->EditSkin->text(), QStringLiteral("default"));

    // A bad line stops the load there: the lines before it are in place, the
    // error is shown and the main window is back.
    const QString broken = file(QStringLiteral("broken.skn"));
    ASSERT_TRUE(writeBytes(broken, "default\r\nclRed\r\nnot a colour\r\n"));
    dialogs.nextFile.push_back(broken);
    QTest::mouseClick(skin->VrDemoButtonLoadSkin, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("'not a colour' is not a valid integer value")});
    EXPECT_EQ(dialogs.places, QStringList{broken + QStringLiteral(", line 3")}) << "the message names file and line";
    EXPECT_EQ(skin->EditSkin->text(), QStringLiteral("default"));
    EXPECT_EQ(skin->PanelWActive->Color(), clRed);
    EXPECT_EQ(skin->EditLEDMatrix->text(), QStringLiteral("NIGHT SHIFT"));
    EXPECT_TRUE(main->isVisible());
}

TEST_F(SkinTest, SkinDesignerButtonOpensTheDesignerModallyOnTheDataFolder)
{
    main->show();
    bool sawModal = false;
    QString sawDir;
    QTimer::singleShot(0, [&] {
        sawModal = skin->isVisible() && skin->isModal();
        sawDir = skin->EditDir->text();
        QTest::mouseClick(skin->VrDemoButtonExitSkin, Qt::LeftButton);
    });
    skin->EditDir->clear();
    QTest::mouseClick(main->ui().VrDemoButtonSkinMaker, Qt::LeftButton);
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(sawDir, dir.path());
    EXPECT_FALSE(skin->isVisible());
    EXPECT_EQ(skin->result(), QDialog::Accepted);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(SkinTest, ReshapingWhileOpenKeepsTheDesignerModalInFront)
{
    main->show();
    const QString picture = savePicture(QStringLiteral("corners.bmp"), cornerPicture({450, 320}, clMaroon));
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        dialogs.nextFile.push_back(picture);
        QTest::mouseClick(skin->VrDemoButtonBackground, Qt::LeftButton);
        QTimer::singleShot(0, [&] {
            stillOpen = skin->isVisible() && skin->isModal();
            QTest::mouseClick(skin->VrDemoButtonExitSkin, Qt::LeftButton);
        });
    });
    main->VrDemoButtonSkinMakerClick();
    EXPECT_TRUE(stillOpen) << "hiding for the reshape must not end the modal showing";
    EXPECT_EQ(skin->result(), QDialog::Accepted);
    EXPECT_EQ(main->size(), QSize(450, 320));
}

// ---------------------------------------------------------------------------
// Block layout

TEST_F(SkinTest, AChosenControlFollowsThePointerUntilDropped)
{
    EXPECT_FALSE(main->ui().EndDragnDrop1->isEnabled());
    EXPECT_TRUE(main->ui().Panelxy->isHidden());
    const QPoint buttonInBlock = main->ui().VrDemoButtonBand->pos();
    const QPoint spinnerInBlock = main->ui().VrSpinnerStation->pos();

    main->ui().DragnDropBandBlock1->trigger();
    EXPECT_EQ(main->dragTarget(), 3);
    EXPECT_TRUE(main->ui().EndDragnDrop1->isEnabled());
    EXPECT_FALSE(main->ui().Panelxy->isHidden());

    auto move = [this](int x, int y) { Q_EMIT main->ui().VrMainFormShape->OnMouseMove(Qt::NoButton, x, y); };
    move(120, 45);
    EXPECT_EQ(main->ui().Panelxy->text(), QStringLiteral("120x45"));
    EXPECT_EQ(main->ui().VrBlotterBand->pos(), QPoint(121, 46));
    EXPECT_EQ(main->ui().VrDemoButtonBand->pos(), buttonInBlock) << "children move with their block";
    EXPECT_EQ(main->ui().VrSpinnerStation->pos(), spinnerInBlock);
    EXPECT_EQ(main->ui().VrDemoButtonBand->mapTo(main, QPoint(0, 0)), QPoint(121, 46) + buttonInBlock);

    move(0, 0);
    EXPECT_EQ(main->ui().VrBlotterBand->pos(), QPoint(1, 1));
    move(-40, -40);
    EXPECT_EQ(main->ui().VrBlotterBand->pos(), QPoint(0, 0));
    // Right of the background and below the window: kept within reach.
    const int w = main->ui().VrMainFormShape->width();
    move(w - 3, 100);
    EXPECT_EQ(main->ui().VrBlotterBand->x(), w - TMainForm::kReachMargin);
    move(5000, 5000);
    EXPECT_EQ(main->ui().VrBlotterBand->pos(), QPoint(w - 8, main->height() - 8));
    EXPECT_EQ(main->ui().Panelxy->text(), QStringLiteral("5000x5000"));

    // Another item switches the target; the block stays where it is.
    main->ui().DragnDropStationButton[1]->trigger();
    EXPECT_EQ(main->dragTarget(), 11);
    move(10, 30);
    EXPECT_EQ(main->ui().VrDemoButtonStation[1]->pos(), QPoint(11, 31));
    EXPECT_EQ(main->ui().VrBlotterBand->pos(), QPoint(w - 8, main->height() - 8));

    main->ui().EndDragnDrop1->trigger();
    EXPECT_EQ(main->dragTarget(), 0);
    EXPECT_FALSE(main->ui().EndDragnDrop1->isEnabled());
    EXPECT_TRUE(main->ui().Panelxy->isHidden());
    move(200, 100);
    EXPECT_EQ(main->ui().Panelxy->text(), QStringLiteral("200x100"));
    EXPECT_EQ(main->ui().VrDemoButtonStation[1]->pos(), QPoint(11, 31));

    // Every item moves its own control, in skin file order.
    QAction *items[] = {main->ui().DragnDropLEDMatrix1,   main->ui().DragnDropFaderBlock1,     main->ui().DragnDropBandBlock1,
                        main->ui().DragnDropStationBlock1, main->ui().DragnDrop1,               main->ui().DragnDorpButtonBlock1,
                        main->ui().DragnDrop2,             main->ui().DragnDropRecordButton1,   main->ui().DragnDropPlayButton1,
                        main->ui().DragnDropStationButton[0], main->ui().DragnDropStationButton[1], main->ui().DragnDropStationButton[2],
                        main->ui().DragnDropStationButton[3], main->ui().DragnDropStationButton[4], main->ui().DragnDropStationButton[5],
                        main->ui().DragnDropStationButton[6]};
    for (int n = 1; n <= kSkinControlCount; ++n) {
        items[n - 1]->trigger();
        move(n * 10, n * 5);
        EXPECT_EQ(main->findChild<QWidget *>(QLatin1String(kSkinControlNames[size_t(n - 1)]))->pos(),
                  QPoint(n * 10 + 1, n * 5 + 1))
            << kSkinControlNames[size_t(n - 1)];
    }
}

TEST_F(SkinTest, ASmallerPictureShowsTheLayoutWithinReachAndTheRightOneBringsItBack)
{
    main->show();
    const auto composed = places();
    // Nothing cut out of the pictures (fuchsia is not the transparent colour).
    const QString small = savePicture(QStringLiteral("small.bmp"), cornerPicture({300, 120}, clFuchsia));
    const QString large = savePicture(QStringLiteral("large.bmp"), cornerPicture({600, 350}, clFuchsia));
    const auto loadImage = [&](const QString &picture) {
        dialogs.nextFile.push_back(picture);
        QTest::mouseClick(skin->VrDemoButtonBackground, Qt::LeftButton);
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    };
    const auto savedPlaces = [&](const QString &name) {
        skin->saveSkin(file(name));
        TSkin saved;
        LoadSkinFile(file(name), saved);
        return saved.Places;
    };

    loadImage(small);
    ASSERT_EQ(main->size(), QSize(300, 120));
    for (int n = 1; n <= kSkinControlCount; ++n) {
        const QWidget *w = main->movableControl(n);
        const QRect seen = w->geometry() & main->rect();
        EXPECT_GE(seen.width(), TMainForm::kReachMargin) << kSkinControlNames[size_t(n - 1)];
        EXPECT_GE(seen.height(), TMainForm::kReachMargin) << kSkinControlNames[size_t(n - 1)];
    }
    expectSkinDesignerAndExitWhole();
    EXPECT_NE(main->ui().VrDemoButtonStation[6]->pos(), composed[15]) << "shown within the small window";
    // The skin keeps its own places: that is what a save writes.
    EXPECT_EQ(savedPlaces(QStringLiteral("after-small.skn")), DefaultSkin().Places);

    loadImage(large);
    EXPECT_EQ(places(), composed);

    // A drag in the small window is the user's choice: it moves the control's
    // place for good.
    loadImage(small);
    main->ui().DragnDropStationButton[2]->trigger();
    Q_EMIT main->ui().VrMainFormShape->OnMouseMove(Qt::NoButton, 20, 30);
    main->ui().EndDragnDrop1->trigger();
    EXPECT_EQ(main->ui().VrDemoButtonStation[2]->pos(), QPoint(21, 31));
    loadImage(large);
    auto expected = composed;
    expected[11] = QPoint(21, 31);
    EXPECT_EQ(places(), expected);
    EXPECT_EQ(savedPlaces(QStringLiteral("after-drag.skn"))[11], (TSkinPlace{21, 31}));
}

TEST_F(SkinTest, LoadingASkinPutsMovedControlsBackAndKeepsFarOnesReachable)
{
    const QString normal = writeSkin(QStringLiteral("normal.skn"), [](TSkin &) {});
    main->ui().DragnDropFaderBlock1->trigger();
    Q_EMIT main->ui().VrMainFormShape->OnMouseMove(Qt::NoButton, 30, 30);
    main->ui().EndDragnDrop1->trigger();
    ASSERT_EQ(main->ui().VrBlotterMixer->pos(), QPoint(31, 31));
    skin->loadSkin(normal);
    EXPECT_EQ(skin->currentSkin(), DefaultSkin());

    const QString far = writeSkin(QStringLiteral("far.skn"), [](TSkin &s) {
        s.Places[1] = {-5000, -5000}; // fader block
        s.Places[9] = {5000, 5000};   // station button 1
        s.Places[0] = {-100, 340};    // LED matrix, 112 wide
    });
    skin->loadSkin(far);
    skin->ApplySkin(true);
    const QRect client = main->rect();
    for (QWidget *w : {static_cast<QWidget *>(main->ui().VrBlotterMixer), static_cast<QWidget *>(main->ui().VrDemoButtonStation[0]),
                       static_cast<QWidget *>(main->ui().VrMatrixConn)}) {
        const QRect seen = w->geometry() & client;
        EXPECT_GE(seen.width(), TMainForm::kReachMargin) << w->objectName().toStdString();
        EXPECT_GE(seen.height(), TMainForm::kReachMargin) << w->objectName().toStdString();
    }
    EXPECT_EQ(main->ui().VrBlotterMixer->pos(), QPoint(8 - 117, 8 - 115));
    EXPECT_EQ(main->ui().VrDemoButtonStation[0]->pos(), QPoint(601 - 8, 352 - 8));
    EXPECT_EQ(main->ui().VrMatrixConn->pos(), QPoint(-100, 340)) << "within reach already";

    // The file keeps the skin's own places, not where they are shown.
    skin->saveSkin(file(QStringLiteral("saved.skn")));
    const QList<QByteArray> lines = bytesOf(file(QStringLiteral("saved.skn"))).split('\n');
    EXPECT_EQ(lines[12].trimmed(), QByteArray("-5000"));
    EXPECT_EQ(lines[28].trimmed(), QByteArray("5000"));
}

} // namespace
