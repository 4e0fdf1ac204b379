// A picture of every window the program shows, as it opens for a user, in the
// built-in skin and in a skin of other colours, compared with the pictures kept
// in tests/golden/windows (SONAVEO_UPDATE_GOLDEN=1 writes them anew: look at
// them before committing). What changes on its own (the clock, the scrolling
// display, the level meter) and the version number are left out. No window may
// show the toolkit's stock light grey or its blue selection and focus colour.

#include "app/aboutform.h"
#include "app/splashform.h"
#include "golden.h"
#include "platform/dialogs.h"
#include "skinlook.h"
#include "widgets/vranimate.h"
#include "widgets/vrclock.h"
#include "widgets/vrmatrix.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class WindowPictures : public SkinnedWindowsTest {
protected:
    void SetUp() override
    {
        SkinnedWindowsTest::SetUp();
        // The pointer rests away from every window, whatever a test before
        // did with it, so no button shows itself under the mouse; the text
        // cursor of a focused field shows steadily instead of blinking.
        QCursor::setPos(QPoint(-200, -200));
        m_flashTime = QApplication::cursorFlashTime();
        QApplication::setCursorFlashTime(0);
    }
    void TearDown() override
    {
        QApplication::setCursorFlashTime(m_flashTime);
        SkinnedWindowsTest::TearDown();
    }

    // Shows a window as it opens for a user, active, and takes its picture.
    QImage pictureOf(QWidget *window)
    {
        activate(window);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        handlePostedEvents();
        return window->grab().toImage();
    }
    // The picture matches the one kept for it and shows no stock colour. A
    // window that follows the skin has a picture for each skin; one that keeps
    // its own colours has one picture for all. Areas left out are neither
    // compared nor looked at; artwork (the maker's silver mark, lettered as
    // light as the toolkit's grey) is compared but not looked at for stock
    // colours.
    enum Colours { SkinColours, OwnColours };
    void expectAsKept(const QString &what, const QImage &picture, Colours colours, const QList<QRect> &leftOut = {},
                      const QList<QRect> &artwork = {}) const
    {
        EXPECT_EQ(stockPixels(picture, leftOut + artwork), QString()) << what.toStdString();
        const QString name = colours == SkinColours ? QStringLiteral("%1-%2").arg(QLatin1String(GetParam().name), what)
                                                    : what;
        EXPECT_TRUE(matchesGolden(picture, QStringLiteral("windows/") + name, leftOut)) << what.toStdString();
    }

private:
    int m_flashTime = 0;
};

TEST_P(WindowPictures, TheMainWindowAndItsRightClickMenu)
{
    const QImage picture = pictureOf(main);
    const QList<QRect> live = {areaIn(main->ui().VrMatrixConn, main), areaIn(main->ui().VrClockReal, main),
                               areaIn(main->ui().VrAnimate1, main)};
    expectAsKept(QStringLiteral("mainform"), picture, SkinColours, live, {areaIn(main->ui().MaroImage, main)});

    QMenu *menu = main->ui().PopupMenuDrag;
    menu->popup(main->mapToGlobal(QPoint(60, 60)));
    ASSERT_TRUE(waitFor([menu] { return menu->isVisible(); }, "the menu"));
    handlePostedEvents();
    expectAsKept(QStringLiteral("menu"), menu->grab().toImage(), SkinColours);
    menu->hide();
    main->hide();
}

TEST_P(WindowPictures, TheSplashAndTheFarewell)
{
    TSplashForm splash;
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    expectAsKept(QStringLiteral("splash"), splash.grab().toImage(), OwnColours);
    splash.hide();
    TFormSure *farewell = windows.farewell();
    expectAsKept(QStringLiteral("farewell"), pictureOf(farewell), OwnColours);
    farewell->hide();
}

TEST_P(WindowPictures, TheSmallerWindows)
{
    const std::pair<const char *, QWidget *> shown[] = {
        {"skindesigner", windows.SkinForm.get()}, {"station", windows.EditStationForm.get()},
        {"bands", windows.BandForm.get()},        {"history", windows.HistoryForm.get()},
        {"options", windows.OptionsForm.get()},
    };
    for (const auto &[what, window] : shown) {
        expectAsKept(QLatin1String(what), pictureOf(window), SkinColours);
        window->hide();
    }
    TAboutForm *about = windows.about();
    const QImage picture = pictureOf(about);
    expectAsKept(QStringLiteral("about"), picture, OwnColours, {areaIn(about->Label2, about)}, // the version
                 {areaIn(about->ImageMaro, about)});
    about->hide();
}

TEST_P(WindowPictures, AMessageBox)
{
    QtDialogs real;
    ASSERT_TRUE(whileShown([&] { real.showMessage(QStringLiteral("Recording options are missing under 'Options'!")); },
                           [&](QDialog *box) {
                               ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
                               handlePostedEvents();
                               expectAsKept(QStringLiteral("message"), box->grab().toImage(), SkinColours);
                           }));
}

INSTANTIATE_TEST_SUITE_P(Skins, WindowPictures, ::testing::Values(builtInSkin(), greenOnDarkBlue()), skinCaseName);

} // namespace
