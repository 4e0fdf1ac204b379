// The toolkit's windows and controls in the skin's colours: message boxes, the
// file and colour dialogs the program opens, the main window's menus, the format
// list and the band list, and the keyboard focus of the owner-drawn buttons, for
// the built-in skin and two others. None of them may show the toolkit's stock
// light grey or its blue selection and focus colour.
//
// SONAVEO_SHOT_DIR=<folder> keeps every picture looked at as a PNG there.

#include "platform/dialogs.h"
#include "skin/skinpalette.h"
#include "skinlook.h"
#include "widgets/keyboardfocusframe.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrslider.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>

using namespace testsupport;

namespace {

int countColour(const QImage &shot, const QRect &area, const QColor &colour)
{
    int n = 0;
    const QRect inside = area & shot.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += channelDistance(shot.pixel(x, y), colour.rgb()) <= 8;
    return n;
}

// Pixels of the top row in a colour: the frame a button draws at its edge.
int topRow(const QImage &shot, const QColor &colour) { return countColour(shot, {0, 0, shot.width(), 1}, colour); }

class PaletteTest : public testsupport::SkinnedWindowsTest {
protected:
    // Takes a picture of what is shown, keeps it when SONAVEO_SHOT_DIR names a
    // folder, and expects none of the toolkit's stock colours in it.
    QImage look(const QImage &shot, const QString &what, const QList<QRect> &leftOut = {}) const
    {
        if (const QString folder = qEnvironmentVariable("SONAVEO_SHOT_DIR"); !folder.isEmpty() && QDir().mkpath(folder))
            shot.save(QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(GetParam().name), what)));
        EXPECT_EQ(stockPixels(shot, leftOut), QString()) << what.toStdString();
        return shot;
    }
    QImage look(QWidget *widget, const QString &what) const { return look(widget->grab().toImage(), what); }

    QtDialogs real;
};

TEST_P(PaletteTest, MessageBoxesShowTheirIconInTheSkinsColoursAndNameTheFile)
{
    const QString where = QDir(dir.path()).filePath(QStringLiteral("broken.skn")) + QStringLiteral(", line 3");
    const std::pair<const char *, std::function<void()>> boxes[] = {
        {"information", [&] { real.showMessage(QStringLiteral("Recording options are missing under 'Options'!")); }},
        {"warning", [&] { real.showMessage(QStringLiteral("This station cannot be played"), MessageKind::Warning); }},
        {"error", [&] { real.showError(QStringLiteral("'not a colour' is not a valid integer value"), where); }},
        {"question", [&] { real.askYesNo(QStringLiteral("Leave without saving?")); }},
    };
    for (const auto &[what, open] : boxes) {
        ASSERT_TRUE(whileShown(open, [&, what = what](QDialog *dialog) {
            auto *box = qobject_cast<QMessageBox *>(dialog);
            ASSERT_TRUE(box);
            const QImage shot = look(box, QStringLiteral("message-") + QLatin1String(what));
            const QPalette p = box->palette();
            EXPECT_EQ(p.color(QPalette::Window), colour(&TSkin::PopUp)) << what;
            EXPECT_GE(contrastRatio(p.color(QPalette::WindowText), p.color(QPalette::Window)), 4.5) << what;
            EXPECT_GE(contrastRatio(p.color(QPalette::ButtonText), p.color(QPalette::Button)), 4.5) << what;
            ASSERT_FALSE(box->iconPixmap().isNull()) << what << ": a message box shows an icon";
            const auto *icon = box->findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label"));
            ASSERT_TRUE(icon);
            const int pixels = icon->width() * icon->height();
            EXPECT_GT(countColour(shot, areaIn(icon, box), p.color(QPalette::Highlight)), pixels / 5)
                << what << ": the icon is drawn in the skin's colour";
            EXPECT_EQ(box->informativeText(), QLatin1String(what) == QLatin1String("error") ? where : QString())
                << what << ": the file and line an error was met in";
        })) << what;
    }
}

TEST_P(PaletteTest, TheMainWindowsMenusAreInItsOwnColours)
{
    main->show();
    QMenu *menu = main->ui().PopupMenuDrag;
    for (QMenu *m : {menu, main->ui().DragnDropStationButton11, main->titlesMenu()}) {
        m->popup(main->mapToGlobal(QPoint(60, 60)));
        ASSERT_TRUE(waitFor([m] { return m->isVisible(); }, "the menu"));
        if (m == menu)
            menu->setActiveAction(main->ui().DragnDropLEDMatrix1); // a row under the mouse
        testsupport::handlePostedEvents();
        const QImage shot = look(m, m->objectName());
        m->hide();
        const QPalette p = m->palette();
        EXPECT_EQ(p.color(QPalette::Window), colour(&TSkin::PopUp));
        EXPECT_GE(contrastRatio(p.color(QPalette::Text), p.color(QPalette::Window)), 4.5);
        EXPECT_GE(contrastRatio(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), 4.5);
        // The main window's own text colour, where it reads on the pop-up colour.
        const QColor text = colour(&TSkin::WindowActive);
        EXPECT_TRUE(p.color(QPalette::Text) == text || contrastRatio(text, colour(&TSkin::PopUp)) < 4.5);
        if (m == menu) {
            const QRect row = menu->actionGeometry(main->ui().DragnDropLEDMatrix1);
            EXPECT_GT(countColour(shot, row, p.color(QPalette::Highlight)), row.width() * row.height() / 2)
                << "the row under the mouse in the highlight colour";
        }
    }
}

TEST_P(PaletteTest, TheFormatListOpensElevenRowsHighInTheSkinsColours)
{
    TOptionsForm *options = windows.OptionsForm.get();
    options->show();
    testsupport::handlePostedEvents();
    look(options, QStringLiteral("options")); // with its lists and its browse button
    QComboBox *formats = options->FormatBox;
    ASSERT_EQ(formats->count(), 56);
    formats->showPopup();
    QAbstractItemView *list = formats->view();
    ASSERT_TRUE(waitFor([list] { return list->window()->isVisible(); }, "the open format list"));
    testsupport::handlePostedEvents();
    const QImage shot = look(list->window(), QStringLiteral("formats"));
    const int row = list->sizeHintForRow(0);
    const int shown = list->viewport()->height();
    formats->hidePopup();
    ASSERT_GT(row, 0);
    EXPECT_LE(shown, 11 * row) << "eleven rows at most, not " << double(shown) / row;
    EXPECT_GE(shown, 10 * row) << "the list shows as many rows as it may";
    EXPECT_GT(countColour(shot, shot.rect(), list->palette().color(QPalette::Highlight)), 4 * row)
        << "the chosen format in the highlight colour";
}

TEST_P(PaletteTest, TheBandListAndItsScrollBarAreInTheSkinsColours)
{
    TBandForm *band = windows.BandForm.get();
    band->show();
    band->ListBoxBands->setCurrentRow(3);
    QScrollBar *bar = band->ListBoxBands->verticalScrollBar();
    ASSERT_TRUE(waitFor([bar] { return bar->isVisible(); }, "the band list's scroll bar"));
    testsupport::handlePostedEvents();
    const QImage barShot = look(band, QStringLiteral("bands")).copy(areaIn(bar, band));
    // The handle stands out from its groove.
    int darkest = 255, lightest = 0;
    for (int y = 0; y < barShot.height(); ++y) {
        const int grey = qGray(barShot.pixel(barShot.width() / 2, y));
        darkest = std::min(darkest, grey);
        lightest = std::max(lightest, grey);
    }
    EXPECT_GE(lightest - darkest, 20) << "a scroll bar handle that shows";
    const QPalette p = band->ListBoxBands->palette();
    EXPECT_EQ(p.color(QPalette::Highlight), colour(&TSkin::Passive));
    EXPECT_GE(contrastRatio(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), 4.5);
}

TEST_P(PaletteTest, TheFileAndColourDialogsAreTheToolkitsOwnInTheSkinsColours)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Skins")));
    QFile(QDir(dir.path()).filePath(QStringLiteral("night.skn"))).open(QIODevice::WriteOnly);
    const QString skins = QStringLiteral("Skin (*.skn)");
    QWidget *designer = windows.SkinForm.get();
    const std::pair<const char *, std::function<void()>> files[] = {
        {"file-open", [&] { real.openFileName(designer, QStringLiteral("Load Skin"), dir.path(), skins); }},
        {"file-save", [&] { real.saveFileName(designer, QStringLiteral("Save Skin"), dir.path(), skins); }},
    };
    for (const auto &[what, open] : files) {
        const auto listed = [](QDialog *dialog) {
            auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
            return view && view->model()->rowCount(view->rootIndex()) >= 2;
        };
        ASSERT_TRUE(whileShown(open, [&, what = what](QDialog *dialog) {
            auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
            EXPECT_TRUE(fileDialog && fileDialog->testOption(QFileDialog::DontUseNativeDialog))
                << "never the desktop's dialog, which ignores the skin";
            look(dialog, QLatin1String(what));
        }, listed)) << what;
    }

    // The colour dialog's colour field, brightness bar and chosen colour show
    // colours whatever the skin; everything around them is the skin's.
    ASSERT_TRUE(whileShown([&] { real.chooseColor(Qt::black, designer); }, [&](QDialog *dialog) {
        auto *colours = qobject_cast<QColorDialog *>(dialog);
        EXPECT_TRUE(colours && colours->testOption(QColorDialog::DontUseNativeDialog));
        QList<QRect> fields;
        for (QWidget *w : dialog->findChildren<QWidget *>())
            for (const char *kind : {"QColorPicker", "QColorLuminancePicker", "QColorShowLabel"})
                if (QByteArray(w->metaObject()->className()).endsWith(kind))
                    fields << areaIn(w, dialog);
        EXPECT_EQ(fields.size(), 3);
        look(dialog->grab().toImage(), QStringLiteral("colours"), fields);
    }));
}

TEST_P(PaletteTest, TheKeyboardFocusShowsAsAFrameInTheSkinsColour)
{
    activate(main);
    const auto &stations = main->ui().VrDemoButtonStation;
    stations[1]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(stations[1], Qt::Key_Tab);
    ASSERT_TRUE(stations[2]->hasFocus()) << "Tab goes on to the next station button";
    const QColor frame = colour(&TSkin::WindowActive);
    const QImage focused = look(stations[2], QStringLiteral("focus-station"));
    EXPECT_EQ(topRow(focused, frame), focused.width()) << "the frame in the window active colour";
    EXPECT_EQ(topRow(look(stations[3], QStringLiteral("station")), frame), 0) << "only where the focus is";
    main->ui().VrDemoButtonRec->setFocus(Qt::TabFocusReason);
    const QImage rec = look(main->ui().VrDemoButtonRec, QStringLiteral("focus-rec"));
    EXPECT_EQ(topRow(rec, frame), rec.width());

    // The fader draws no focus of its own: a frame goes round it when the
    // keyboard brings the focus there, none after a click.
    TVrSlider *fader = main->ui().VrScrollBarPlayer1;
    fader->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(main->ui().KeyboardFocusFrame->framed(), nullptr);
    stations[0]->setFocus(Qt::TabFocusReason);
    fader->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(main->ui().KeyboardFocusFrame->framed(), fader);
    QWidget *block = fader->parentWidget();
    const QImage around = look(block->grab(areaIn(fader, block).adjusted(-2, -2, 2, 2)).toImage(),
                               QStringLiteral("focus-fader"));
    EXPECT_GE(countColour(around, QRect(0, 0, 1, around.height()), frame), fader->height());
    main->hide();

    // The first history entry, which has the focus as the window opens.
    THistoryForm *history = windows.HistoryForm.get();
    activate(history);
    TVrDemoButton *first = history->VrDemoButtonHis[0];
    ASSERT_TRUE(waitFor([first] { return first->hasFocus(); }, "the first entry to take the focus"));
    const QImage entry = look(first, QStringLiteral("focus-history"));
    EXPECT_EQ(topRow(entry, colour(&TSkin::Active)), entry.width());
    history->hide();

    // The About window keeps its composed colours, focus frame included.
    TAboutForm *about = windows.about();
    activate(about);
    about->VrDemoButtonOK->setFocus(Qt::TabFocusReason);
    const QImage ok = look(about->VrDemoButtonOK, QStringLiteral("focus-about"));
    EXPECT_EQ(topRow(ok, toQColor(clAqua)), ok.width());
    about->hide();
}

INSTANTIATE_TEST_SUITE_P(Skins, PaletteTest,
                         ::testing::Values(builtInSkin(), greenOnDarkBlue(), lightPopUp()), skinCaseName);

// Whatever colours a skin gives, the palette made from it reads: text on its
// background, captions on buttons, the selection's text on the selection, and
// the selection, buttons and alternate rows stand apart from the background.
TEST(SkinPalette, EverySkinGivesReadableTextAndVisibleSurfaces)
{
    const struct {
        const char *name;
        TColor popUp, active, passive, buttonText;
    } rows[] = {
        {"built-in", clBlack, clAqua, clTeal, clSilver},
        {"cream pop-up, light texts", 0xC8F0FF, clAqua, clTeal, clSilver},
        {"all black", clBlack, clBlack, clBlack, clBlack},
        {"all white", clWhite, clWhite, clWhite, clWhite},
        {"mid grey pop-up", 0x777777, 0x808080, 0x707070, 0x7A7A7A},
        {"yellow on white", clWhite, clYellow, clYellow, clYellow},
        {"navy on navy", clNavy, 0x900000, clNavy, clBlue},
    };
    for (const auto &row : rows) {
        TSkin s = DefaultSkin();
        s.PopUp = row.popUp;
        s.Active = row.active;
        s.Passive = row.passive;
        s.ButtonText = row.buttonText;
        const QPalette p = popUpPalette(s);
        const auto ratio = [&p](QPalette::ColorRole a, QPalette::ColorRole b) {
            return contrastRatio(p.color(a), p.color(b));
        };
        EXPECT_EQ(p.color(QPalette::Window), toQColor(row.popUp)) << row.name;
        using R = QPalette;
        const std::tuple<R::ColorRole, R::ColorRole, double> pairs[] = {
            {R::WindowText, R::Window, 4.5},      {R::Text, R::Base, 4.5},         {R::ButtonText, R::Button, 4.5},
            {R::HighlightedText, R::Highlight, 4.5}, {R::Highlight, R::Window, 1.8}, {R::Button, R::Window, 1.15},
            {R::AlternateBase, R::Base, 1.05}};
        for (const auto &[a, b, least] : pairs)
            EXPECT_GE(ratio(a, b), least) << row.name << ": roles " << a << " on " << b;
    }
    // A text colour that reads already is kept as the skin gives it.
    EXPECT_EQ(popUpPalette(DefaultSkin()).color(QPalette::Text), toQColor(clAqua));
}

// A skin may name the desktop's colours (system colours); the palette it gives
// is the same however often it is applied, not a shade of the one before.
TEST(SkinPalette, ASkinOfSystemColoursLooksTheSameEachTimeItIsApplied)
{
    TSkin s = DefaultSkin();
    s.PopUp = clBtnFace;
    s.Active = clWindowText;
    applyApplicationPalette(s);
    const QPalette first = QApplication::palette();
    applyApplicationPalette(s);
    applyApplicationPalette(s);
    EXPECT_EQ(QApplication::palette(), first);
    applyApplicationPalette(DefaultSkin());
}

} // namespace
