// The toolkit's windows and controls in the skin's colours: message boxes, the
// file and colour dialogs the program opens, the main window's menus, the format
// list and the band list, and the keyboard focus of the owner-drawn buttons, for
// the built-in skin and two others. None of them may show the toolkit's stock
// light grey or its blue selection and focus colour.
//
// SONAVEO_SHOT_DIR=<folder> keeps every picture looked at as a PNG there.

#include "app/aboutform.h"
#include "app/forms.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "fakecapturebackend.h"
#include "fakeplatform.h"
#include "platform/dialogs.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "skin/skinfile.h"
#include "skin/skinform.h"
#include "skin/skinpalette.h"
#include "stations/bandform.h"
#include "stations/historyform.h"
#include "waitfor.h"
#include "widgets/keyboardfocusframe.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrslider.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using testsupport::waitFor;

namespace {

TColor tcolor(const QColor &c) { return TColor(c.red() | c.green() << 8 | c.blue() << 16); }

// Keeps a picture that was looked at, when asked to.
void keepShot(const QString &name, const QImage &shot)
{
    const QString folder = qEnvironmentVariable("SONAVEO_SHOT_DIR");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        shot.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

// The colours the toolkit draws with when no one gives it others: Fusion's light
// grey windows and buttons, its blue selection and the darker blue of its focus
// frames.
struct StockColours {
    QList<QColor> greys;
    QList<QColor> blues;
};

const StockColours &stock()
{
    static const StockColours colours = [] {
        std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        const QPalette p = fusion->standardPalette();
        const QColor blue = p.color(QPalette::Highlight);
        return StockColours{{p.color(QPalette::Window), p.color(QPalette::Button)}, {blue, blue.darker(125)}};
    }();
    return colours;
}

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The pixels of a picture in the toolkit's stock grey or blue (or near them),
// outside the areas left out, described for a failure message; empty when there
// are none.
QString stockPixels(const QImage &shot, const QList<QRect> &leftOut = {})
{
    int greys = 0, blues = 0;
    QString first;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QPoint at(x, y);
            const QRgb pixel = shot.pixel(at);
            const auto near = [pixel](const QList<QColor> &colours, int most) {
                return std::any_of(colours.begin(), colours.end(),
                                   [&](const QColor &c) { return channelDistance(pixel, c.rgb()) <= most; });
            };
            const bool grey = near(stock().greys, 10);
            const bool blue = near(stock().blues, 16);
            const bool outside =
                std::any_of(leftOut.begin(), leftOut.end(), [&](const QRect &r) { return r.contains(at); });
            if ((!grey && !blue) || outside)
                continue;
            greys += grey;
            blues += blue;
            if (first.isEmpty())
                first = QStringLiteral(" first at (%1, %2): %3").arg(x).arg(y).arg(QColor(pixel).name());
        }
    if (greys + blues == 0)
        return QString();
    return QStringLiteral("%1 grey and %2 blue pixels,%3").arg(greys).arg(blues).arg(first);
}

int countColour(const QImage &shot, const QRect &area, const QColor &colour)
{
    int n = 0;
    const QRect inside = area & shot.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += channelDistance(shot.pixel(x, y), colour.rgb()) <= 8;
    return n;
}

QRect areaIn(const QWidget *widget, const QWidget *ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

// Runs open(), which shows a modal dialog and returns once it is closed. While it
// shows, look(dialog) runs as soon as ready(dialog) holds, and the dialog is then
// closed. False when no dialog got ready within the waiting limit.
bool whileShown(const std::function<void()> &open, const std::function<bool(QDialog *)> &ready,
                const std::function<void(QDialog *)> &look)
{
    bool looked = false;
    const QDeadlineTimer deadline(testsupport::kWaitLimitMs);
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (ready(dialog)) {
            look(dialog);
            looked = true;
        } else if (!deadline.hasExpired()) {
            return;
        }
        poll.stop();
        dialog->reject();
    });
    poll.start();
    open();
    return looked;
}

struct SkinCase {
    const char *name;
    TSkin skin;
};

TSkin greenOnDarkBlue()
{
    TSkin s = DefaultSkin();
    s.WindowActive = tcolor(QColor(0x3C, 0xFF, 0x6E));
    s.WindowPassive = tcolor(QColor(0x1E, 0x8C, 0x46));
    s.Active = tcolor(QColor(0x50, 0xFF, 0x78));
    s.Passive = tcolor(QColor(0x2A, 0xA0, 0x50));
    s.PopUp = tcolor(QColor(0x0B, 0x1A, 0x40));
    s.ButtonText = tcolor(QColor(0xA0, 0xE6, 0xB4));
    s.MouseOver = tcolor(QColor(0xE6, 0xFF, 0x5A));
    return s;
}

// The built-in skin with a cream pop-up colour: its aqua, teal, silver and white
// text colours do not read on it as they are.
TSkin lightPopUp()
{
    TSkin s = DefaultSkin();
    s.PopUp = tcolor(QColor(0xFF, 0xF0, 0xC8));
    return s;
}

void PrintTo(const SkinCase &c, std::ostream *os) { *os << c.name; }

class PaletteTest : public ::testing::TestWithParam<SkinCase> {
protected:
    void SetUp() override
    {
        capture.drivers = {CaptureDriverInfo{std::nullopt, QStringLiteral("Primary Sound Capture Driver"), QString()}};
        ForgetCaptureDrivers();
        createWindows(windows);
        main = windows.MainForm.get();
        designer = windows.SkinForm.get();
        main->ui().TimerSonaveo->stop();
        main->setDataDirectory(dir.path());
        main->skipFirstLoading();
        main->recorder()->FillDriverList(); // the 56 formats of a device that takes every one
        designer->EditDir->setText(dir.path());
        designer->setSkin(GetParam().skin);
        designer->ApplySkin(false); // as the designer does on every change
    }
    void TearDown() override { ForgetCaptureDrivers(); }

    QString shotName(const char *what) const
    {
        return QStringLiteral("%1-%2").arg(QLatin1String(GetParam().name), QLatin1String(what));
    }
    QColor skinColour(TColor c) const { return toQColor(c); }
    const TSkin &skin() const { return GetParam().skin; }
    // Shows a window and gives it the keyboard.
    void activate(QWidget *window)
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(waitFor([window] { return window->isActiveWindow(); }, "the window to be active"));
    }

    FakePlatform fake;
    FakeCaptureBackend capture;
    QTemporaryDir dir;
    TApplicationWindows windows;
    TMainForm *main = nullptr;
    TSkinForm *designer = nullptr;
};

TEST_P(PaletteTest, MessageBoxesShowTheirIconInTheSkinsColoursAndNameTheFile)
{
    QtDialogs real;
    const QString where = QDir(dir.path()).filePath(QStringLiteral("broken.skn")) + QStringLiteral(", line 3");
    const struct {
        const char *what;
        std::function<void()> open;
    } boxes[] = {
        {"information", [&] { real.showMessage(QStringLiteral("Recording options are missing under 'Options'!")); }},
        {"warning", [&] { real.showMessage(QStringLiteral("This station cannot be played"), MessageKind::Warning); }},
        {"error", [&] { real.showError(QStringLiteral("'not a colour' is not a valid integer value"), where); }},
        {"question", [&] { real.askYesNo(QStringLiteral("Leave without saving?")); }},
    };
    for (const auto &b : boxes) {
        QImage shot, icon;
        QPalette palette;
        QString informative;
        QRect iconArea;
        ASSERT_TRUE(whileShown(b.open, [](QDialog *) { return true; }, [&](QDialog *dialog) {
            auto *box = qobject_cast<QMessageBox *>(dialog);
            ASSERT_TRUE(box);
            shot = box->grab().toImage();
            icon = box->iconPixmap().toImage();
            palette = box->palette();
            informative = box->informativeText();
            if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label")))
                iconArea = areaIn(label, box);
        })) << b.what;
        keepShot(shotName("message-") + QLatin1String(b.what), shot);
        EXPECT_EQ(stockPixels(shot), QString()) << b.what;
        EXPECT_EQ(palette.color(QPalette::Window), skinColour(skin().PopUp)) << b.what;
        EXPECT_GE(contrastRatio(palette.color(QPalette::WindowText), palette.color(QPalette::Window)), 4.5) << b.what;
        EXPECT_GE(contrastRatio(palette.color(QPalette::ButtonText), palette.color(QPalette::Button)), 4.5) << b.what;
        ASSERT_FALSE(icon.isNull()) << b.what << ": a message box shows an icon";
        const int iconPixels = iconArea.width() * iconArea.height();
        EXPECT_GT(countColour(shot, iconArea, palette.color(QPalette::Highlight)), iconPixels / 5)
            << b.what << ": the icon is drawn in the skin's colour";
        if (QLatin1String(b.what) == QLatin1String("error")) {
            EXPECT_EQ(informative, where) << "the file and line the error was met in";
        }
    }
}

TEST_P(PaletteTest, TheMainWindowsMenusAreInItsOwnColours)
{
    main->show();
    QMenu *menu = main->ui().PopupMenuDrag;
    menu->popup(main->mapToGlobal(QPoint(60, 60)));
    ASSERT_TRUE(waitFor([menu] { return menu->isVisible(); }, "the drag and drop menu"));
    menu->setActiveAction(main->ui().DragnDropLEDMatrix1); // a row under the mouse
    testsupport::handlePostedEvents();
    const QImage shot = menu->grab().toImage();
    keepShot(shotName("menu"), shot);
    menu->hide();
    EXPECT_EQ(stockPixels(shot), QString());
    const QPalette palette = menu->palette();
    EXPECT_EQ(palette.color(QPalette::Window), skinColour(skin().PopUp));
    EXPECT_GE(contrastRatio(palette.color(QPalette::Text), palette.color(QPalette::Window)), 4.5);
    EXPECT_GE(contrastRatio(palette.color(QPalette::HighlightedText), palette.color(QPalette::Highlight)), 4.5);
    const QRect row = menu->actionGeometry(main->ui().DragnDropLEDMatrix1);
    EXPECT_GT(countColour(shot, row, palette.color(QPalette::Highlight)), row.width() * row.height() / 2)
        << "the row under the mouse in the highlight colour";
    // The main window's own text colour, where it reads on the pop-up colour.
    const QColor windowActive = skinColour(skin().WindowActive);
    if (contrastRatio(windowActive, skinColour(skin().PopUp)) >= 4.5) {
        EXPECT_EQ(palette.color(QPalette::Text), windowActive);
    }

    // The station buttons' submenu and the titles menu alike.
    for (QMenu *other : {main->ui().DragnDropStationButton11, main->titlesMenu()}) {
        other->popup(main->mapToGlobal(QPoint(80, 80)));
        ASSERT_TRUE(waitFor([other] { return other->isVisible(); }, "a menu"));
        const QImage otherShot = other->grab().toImage();
        keepShot(shotName("menu-") + other->objectName(), otherShot);
        other->hide();
        EXPECT_EQ(stockPixels(otherShot), QString()) << other->objectName().toStdString();
        EXPECT_TRUE(other->palette() == palette) << other->objectName().toStdString();
    }
}

TEST_P(PaletteTest, TheFormatListOpensElevenRowsHighInTheSkinsColours)
{
    TOptionsForm *options = windows.OptionsForm.get();
    options->show();
    testsupport::handlePostedEvents();
    const QImage window = options->grab().toImage();
    keepShot(shotName("options"), window);
    EXPECT_EQ(stockPixels(window), QString()) << "the options window with its lists and its browse button";
    QComboBox *formats = options->FormatBox;
    ASSERT_EQ(formats->count(), 56);
    formats->showPopup();
    QAbstractItemView *list = formats->view();
    QWidget *popup = list->window();
    ASSERT_TRUE(waitFor([popup] { return popup->isVisible(); }, "the open format list"));
    testsupport::handlePostedEvents();
    const QImage shot = popup->grab().toImage();
    keepShot(shotName("formats"), shot);
    const int row = list->sizeHintForRow(0);
    const int shown = list->viewport()->height();
    formats->hidePopup();

    EXPECT_EQ(stockPixels(shot), QString());
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
    const QImage shot = band->grab().toImage();
    keepShot(shotName("bands"), shot);

    EXPECT_EQ(stockPixels(shot), QString());
    // The handle stands out from its groove.
    const QImage barShot = shot.copy(areaIn(bar, band));
    int most = 0;
    for (int y = 0; y < barShot.height(); ++y)
        for (int z = 0; z < y; ++z)
            most = std::max(most, channelDistance(barShot.pixel(barShot.width() / 2, y),
                                                  barShot.pixel(barShot.width() / 2, z)));
    EXPECT_GE(most, 20) << "a scroll bar handle that shows";
    const QPalette palette = band->ListBoxBands->palette();
    EXPECT_EQ(palette.color(QPalette::Highlight), skinColour(skin().Passive));
    EXPECT_GE(contrastRatio(palette.color(QPalette::HighlightedText), palette.color(QPalette::Highlight)), 4.5);
}

TEST_P(PaletteTest, TheFileAndColourDialogsAreTheToolkitsOwnInTheSkinsColours)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Skins")));
    QFile(QDir(dir.path()).filePath(QStringLiteral("night.skn"))).open(QIODevice::WriteOnly);
    QtDialogs real;
    const QString kSkins = QStringLiteral("Skin (*.skn)");
    const auto listed = [](QDialog *dialog) {
        auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
        return view && view->model()->rowCount(view->rootIndex()) >= 2;
    };
    const struct {
        const char *what;
        std::function<void()> open;
    } files[] = {
        {"open", [&] { real.openFileName(designer, QStringLiteral("Load Skin"), dir.path(), kSkins); }},
        {"save", [&] { real.saveFileName(designer, QStringLiteral("Save Skin"), dir.path(), kSkins); }},
    };
    for (const auto &f : files) {
        QImage shot;
        bool ownWidgets = false;
        ASSERT_TRUE(whileShown(f.open, listed, [&](QDialog *dialog) {
            auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
            ownWidgets = fileDialog && fileDialog->testOption(QFileDialog::DontUseNativeDialog);
            shot = dialog->grab().toImage();
        })) << f.what;
        keepShot(shotName("file-") + QLatin1String(f.what), shot);
        EXPECT_TRUE(ownWidgets) << f.what << ": never the desktop's dialog, which ignores the skin";
        EXPECT_EQ(stockPixels(shot), QString()) << f.what;
    }

    // The colour dialog: its colour field, brightness bar and the chosen colour
    // show colours, whatever the skin; everything around them is the skin's.
    QImage shot;
    QList<QRect> colourFields;
    bool ownWidgets = false;
    ASSERT_TRUE(whileShown([&] { real.chooseColor(Qt::black, designer); }, [](QDialog *) { return true; },
                           [&](QDialog *dialog) {
                               auto *colours = qobject_cast<QColorDialog *>(dialog);
                               ownWidgets = colours && colours->testOption(QColorDialog::DontUseNativeDialog);
                               for (QWidget *w : dialog->findChildren<QWidget *>()) {
                                   const QByteArray kind = w->metaObject()->className();
                                   if (kind.endsWith("QColorPicker") || kind.endsWith("QColorLuminancePicker")
                                       || kind.endsWith("QColorShowLabel"))
                                       colourFields << areaIn(w, dialog);
                               }
                               shot = dialog->grab().toImage();
                           }));
    keepShot(shotName("colours"), shot);
    EXPECT_TRUE(ownWidgets);
    EXPECT_EQ(colourFields.size(), 3) << "the colour field, the brightness bar and the chosen colour";
    EXPECT_EQ(stockPixels(shot, colourFields), QString());
}

TEST_P(PaletteTest, TheKeyboardFocusShowsAsAFrameInTheSkinsColour)
{
    activate(main);
    auto &stations = main->ui().VrDemoButtonStation;
    stations[1]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(stations[1], Qt::Key_Tab);
    ASSERT_TRUE(stations[2]->hasFocus()) << "Tab goes on to the next station button";
    const QImage focused = stations[2]->grab().toImage();
    const QImage plain = stations[3]->grab().toImage();
    keepShot(shotName("focus-station"), focused);
    EXPECT_EQ(stockPixels(focused), QString());
    const QColor frame = skinColour(skin().WindowActive);
    const QRect top(0, 0, focused.width(), 1);
    EXPECT_EQ(countColour(focused, top, frame), focused.width()) << "the frame in the window active colour";
    EXPECT_EQ(countColour(plain, top, frame), 0) << "only the button with the focus shows it";

    // The recorder's buttons and the history's entries alike.
    stations[2]->clearFocus();
    main->ui().VrDemoButtonRec->setFocus(Qt::TabFocusReason);
    const QImage rec = main->ui().VrDemoButtonRec->grab().toImage();
    EXPECT_EQ(stockPixels(rec), QString());
    EXPECT_EQ(countColour(rec, QRect(0, 0, rec.width(), 1), frame), rec.width());

    // The fader draws no focus of its own: a frame goes round it when the
    // keyboard brings the focus there, none after a click.
    TVrSlider *fader = main->ui().VrScrollBarPlayer1;
    fader->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(main->ui().KeyboardFocusFrame->framed(), nullptr);
    stations[0]->setFocus(Qt::TabFocusReason);
    fader->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(main->ui().KeyboardFocusFrame->framed(), fader);
    QWidget *block = fader->parentWidget();
    const QImage around = block->grab(areaIn(fader, block).adjusted(-2, -2, 2, 2)).toImage();
    keepShot(shotName("focus-fader"), around);
    EXPECT_GE(countColour(around, QRect(0, 0, 1, around.height()), frame), fader->height())
        << "a frame in the window active colour";
    main->hide();

    THistoryForm *history = windows.HistoryForm.get();
    activate(history);
    TVrDemoButton *first = history->VrDemoButtonHis[0];
    ASSERT_TRUE(waitFor([first] { return first->hasFocus(); }, "the first entry to take the focus"));
    const QImage entry = first->grab().toImage();
    keepShot(shotName("focus-history"), entry);
    EXPECT_EQ(stockPixels(entry), QString());
    EXPECT_EQ(countColour(entry, QRect(0, 0, entry.width(), 1), skinColour(skin().Active)), entry.width());
    history->hide();

    // The About window keeps its composed colours, focus frame included.
    TAboutForm *about = windows.about();
    activate(about);
    about->VrDemoButtonOK->setFocus(Qt::TabFocusReason);
    const QImage ok = about->VrDemoButtonOK->grab().toImage();
    keepShot(shotName("focus-about"), ok);
    EXPECT_EQ(stockPixels(ok), QString());
    EXPECT_EQ(countColour(ok, QRect(0, 0, ok.width(), 1), toQColor(clAqua)), ok.width());
    about->hide();
}

INSTANTIATE_TEST_SUITE_P(Skins, PaletteTest,
                         ::testing::Values(SkinCase{"Default", DefaultSkin()},
                                           SkinCase{"GreenOnDarkBlue", greenOnDarkBlue()},
                                           SkinCase{"LightPopUp", lightPopUp()}),
                         [](const ::testing::TestParamInfo<SkinCase> &row) { return std::string(row.param.name); });

// Whatever colours a skin gives, the palette made from it reads: text on its
// background, captions on buttons, the selection's text on the selection, and
// alternate rows and raised surfaces that stand apart from the background.
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
        EXPECT_GE(ratio(QPalette::WindowText, QPalette::Window), 4.5) << row.name;
        EXPECT_GE(ratio(QPalette::Text, QPalette::Base), 4.5) << row.name;
        EXPECT_GE(ratio(QPalette::ButtonText, QPalette::Button), 4.5) << row.name;
        EXPECT_GE(ratio(QPalette::HighlightedText, QPalette::Highlight), 4.5) << row.name;
        EXPECT_GE(ratio(QPalette::Highlight, QPalette::Window), 1.8) << row.name << ": the selection shows";
        EXPECT_GT(ratio(QPalette::Button, QPalette::Window), 1.15) << row.name << ": buttons stand out";
        EXPECT_GT(ratio(QPalette::AlternateBase, QPalette::Base), 1.05) << row.name << ": alternate rows show";
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
