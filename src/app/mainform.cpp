#include "app/mainform.h"

#include "app/aboutform.h"
#include "app/artwork.h"
#include "platform/desktoplauncher.h"
#include "platform/urllink.h"
#include "stations/bandform.h"
#include "widgets/clicklabel.h"
#include "widgets/keyboardfocusframe.h"
#include "widgets/timage.h"
#include "widgets/vranimate.h"
#include "widgets/vrblotter.h"
#include "widgets/vrclock.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrformshape.h"
#include "widgets/vrmatrix.h"
#include "widgets/vrnum.h"
#include "widgets/vrscale.h"
#include "widgets/vrslider.h"
#include "widgets/vrspinner.h"

#include "app/startup.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "recording/wavestream.h"
#include "skin/skinfile.h"
#include "skin/skinform.h"
#include "stations/editstationform.h"
#include "stations/historyform.h"
#include "stations/stationpresets.h"

#include <QAction>
#include <QDir>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

// A caption in the window's default font, sized to its text unless a width is given.
QLabel *label(QWidget *parent, const char *name, const QString &caption, int left, int top,
              TColor color, int width = 0)
{
    return placeLabel(parent, name, caption, left, top, toQColor(color), width);
}

TImage *picture(QWidget *parent, const char *name, const QImage &image, int left, int top,
                int width, int height)
{
    auto *l = place<TImage>(parent, name, left, top, width, height);
    l->setPicture(image);
    return l;
}

// A picture with transparent parts, drawn onto the flat colour of the panel it
// sits on. The result is opaque, so showing or hiding it repaints only itself and
// the picture below it, not the panels and the background picture beneath.
QImage onPanel(const QImage &picture, const QColor &panel)
{
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(panel);
    QPainter(&out).drawImage(0, 0, picture);
    return out;
}

TVrPalette ledPalette()
{
    return TVrPalette{toQColor(clTeal), toQColor(clAqua)};
}

TVrBlotter *block(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *b = place<TVrBlotter>(parent, name, left, top, width, height);
    // Dark studio-hardware bevels, a raised rim around a lowered well, in the
    // shades of the panel's own colour.
    b->setBevel(TVrBlotter::defaultBevel());
    b->setColor(toQColor(clBlack));
    return b;
}

// The small buttons of the button and band blocks.
void styleBlockButton(TVrDemoButton *b, const QString &caption)
{
    styleButton(b, caption, vrFont(QStringLiteral("Arial"), 11, true), toQColor(clSilver),
                toQColor(clWhite), toQColor(clGray));
}

TVrNum *ledNumber(QWidget *parent, const char *name, int left, int top, int width, int height,
                  int digits, int min, int max, int value)
{
    auto *n = place<TVrNum>(parent, name, left, top, width, height);
    n->setStyle(ns7x13);
    n->setDigits(digits);
    n->setMax(max);
    n->setMin(min);
    n->setValue(value);
    n->setLeadingZero(true);
    n->setPalette(ledPalette());
    n->setColor(toQColor(clBlack));
    return n;
}

TVrClock *ledClock(QWidget *parent, const char *name, int left, int top, TVrClockType type)
{
    auto *c = place<TVrClock>(parent, name, left, top, 62, 13);
    c->setStyle(ns7x13);
    c->setShowSeconds(true);
    c->setHours24(true);
    c->setPalette(ledPalette());
    c->setColor(toQColor(clBlack));
    c->setClockType(type);
    return c;
}
} // namespace

TMainForm::TMainForm(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kApplicationTitle);
    setWindowIcon(QIcon(QPixmap::fromImage(artwork::icon())));
    setFixedSize(601, 352);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));
    WindowsMediaPlayer = std::make_unique<TWindowsMediaPlayer>(platformServices().makeMediaEngine());
    PlayerRec = std::make_unique<TWindowsMediaPlayer>(platformServices().makeMediaEngine());
    Network = platformServices().makeNetworkState();
    Links = platformServices().makeStationLinks();
    compose();
    TPlaybackControls controls;
    controls.VrMatrixConn = VrMatrixConn;
    controls.LabelStation = LabelStation;
    controls.VrClockstposition = VrClockstposition;
    controls.LabelBuffer = LabelBuffer;
    controls.LabelBandwidth = LabelBandwidth;
    controls.ImagePlayer1GO = ImagePlayer1GO;
    controls.VrClockRecPos = VrClockRecPos;
    controls.VrClockDuration = VrClockDuration;
    controls.VrDemoButtonStart = VrDemoButtonStart;
    controls.VrDemoButtonRec = VrDemoButtonRec;
    controls.VrDemoButtonOptions = VrDemoButtonOptions;
    controls.VrDemoButtonBurn = VrDemoButtonBurn;
    controls.VrScrollBarPlayer1 = VrScrollBarPlayer1;
    controls.VrNumVolume = VrNumVolume;
    TPlaybackHooks hooks;
    hooks.recordingFile = [this] { return Recorder->recordingFile(); };
    hooks.closeMainWindow = [this] { close(); };
    hooks.ticked = [this] { Q_EMIT statusTicked(); };
    // While online the LED matrix scrolls the skin's text.
    hooks.ledText = [this] {
        const TSkinForm *skin = skinForm();
        return skin ? skin->EditLEDMatrix->text() : kDefaultLedText;
    };
    Playback = std::make_unique<TStationPlayback>(controls, *WindowsMediaPlayer, *PlayerRec, *Network, *Links,
                                                  std::move(hooks));
    // The program hands in the folder it chose (setDataDirectory) before the first
    // showing; a window made without one keeps its files in the current folder.
    m_dataDirectory = QDir::currentPath();

    TStationControls stations;
    stations.VrDemoButtonStation = VrDemoButtonStation;
    stations.EditStationURL = EditStationURL;
    stations.Labelgenre = Labelgenre;
    stations.VrNumBlock = VrNumBlock;
    TStationHooks stationHooks;
    stationHooks.dataDirectory = [this] { return m_dataDirectory; };
    stationHooks.online = [this] { return Playback->state.online; };
    stationHooks.attemptConnect = [this] { Network->attemptConnect(); };
    stationHooks.tuneStation = [this](const QString &name, const QString &url) { Playback->TuneStation(name, url); };
    stationHooks.addToHistory = [this](const QString &name, const QString &url) { AddToHistory(name, url); };
    stationHooks.editor = [this] { return editStationForm(); };
    Presets = std::make_unique<TStationPresets>(stations, std::move(stationHooks));
    for (int i = 0; i < 7; ++i)
        connect(VrDemoButtonStation[size_t(i)], &TVrDemoButton::OnMouseDown, this,
                [this, i](Qt::MouseButton button, QPoint) {
                    guarded([this, i, button] { Presets->VrDemoButtonStationMouseDown(i + 1, button); });
                });
    connect(VrSpinnerStation, &TVrSpinner::OnUpClick, this,
            [this] { guarded([this] { Presets->VrSpinnerStationUpClick(); }); });
    connect(VrSpinnerStation, &TVrSpinner::OnDownClick, this,
            [this] { guarded([this] { Presets->VrSpinnerStationDownClick(); }); });

    TRecorderControls recorder;
    recorder.VrDemoButtonRec = VrDemoButtonRec;
    recorder.VrDemoButtonStop = VrDemoButtonStop;
    recorder.VrDemoButtonStart = VrDemoButtonStart;
    recorder.VrDemoButtonOptions = VrDemoButtonOptions;
    recorder.VrDemoButtonBurn = VrDemoButtonBurn;
    recorder.VrNumSize = VrNumSize;
    recorder.LabelStation = LabelStation;
    recorder.VrScrollBarPlayer1 = VrScrollBarPlayer1;
    TRecorderHooks recorderHooks;
    recorderHooks.options = [this] { return optionsForm(); };
    recorderHooks.setVolume = [this](int value) { Playback->SetVolume(value); };
    recorderHooks.endStation = [this] { Playback->endStation(); };
    recorderHooks.dataDirectory = [this] { return m_dataDirectory; };
    LabelStation->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LabelStation, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { titlesMenu()->popup(LabelStation->mapToGlobal(at)); });
    Recorder = std::make_unique<TRecorder>(recorder, *WindowsMediaPlayer, *PlayerRec, Playback->state,
                                           std::move(recorderHooks));
    const std::pair<TVrDemoButton *, void (TMainForm::*)()> clicks[] = {
        {VrDemoButtonHistory, &TMainForm::VrDemoButtonHistoryClick},
        {VrDemoButtonOptions, &TMainForm::VrDemoButtonOptionsClick},
        {VrDemoButtonExit, &TMainForm::VrDemoButtonExitClick},
        {VrDemoButtonSkinMaker, &TMainForm::VrDemoButtonSkinMakerClick},
        {VrDemoButtonBand, &TMainForm::VrDemoButtonBandClick},
        {VrDemoButtonBurn, &TMainForm::VrDemoButtonBurnClick},
        {VrDemoButtonMixer, &TMainForm::VrDemoButtonMixerClick},
    };
    for (const auto &[button, handler] : clicks)
        connect(button, &TVrDemoButton::OnClick, this, guardedHandler(handler));
    const std::pair<TVrDemoButton *, std::function<void()>> subsystemClicks[] = {
        {VrDemoButtonUnplug, [this] { Playback->VrDemoButtonUnplugClick(); }},
        {VrDemoButtonRec, [this] { Recorder->VrDemoButtonRecClick(); }},
        {VrDemoButtonStop, [this] { Recorder->VrDemoButtonStopClick(); }},
        {VrDemoButtonStart, [this] { Recorder->VrDemoButtonStartClick(); }},
    };
    for (const auto &[button, handler] : subsystemClicks)
        connect(button, &TVrDemoButton::OnClick, this, [handler = handler] { guarded(handler); });
    connect(static_cast<TClickLabel *>(MaroImage), &TClickLabel::OnClick, this,
            guardedHandler(&TMainForm::MaroImageClick));
    connect(VrScrollBarPlayer1, &TVrSlider::OnChange, this,
            [this] { guarded([this] { Playback->VrScrollBarPlayer1Change(); }); });

    connect(EndDragnDrop1, &QAction::triggered, this, guardedHandler(&TMainForm::EndDragnDrop1Click));
    // The menu's items pick up the movable controls in skin file order.
    const QAction *const dragItems[kSkinControlCount] = {
        DragnDropLEDMatrix1,       DragnDropFaderBlock1,      DragnDropBandBlock1,       DragnDropStationBlock1,
        DragnDrop1,                DragnDorpButtonBlock1,     DragnDrop2,                DragnDropRecordButton1,
        DragnDropPlayButton1,      DragnDropStationButton[0], DragnDropStationButton[1], DragnDropStationButton[2],
        DragnDropStationButton[3], DragnDropStationButton[4], DragnDropStationButton[5], DragnDropStationButton[6],
    };
    for (int n = 1; n <= kSkinControlCount; ++n)
        connect(dragItems[n - 1], &QAction::triggered, this, [this, n] { guarded([this, n] { startDrag(n); }); });
    connect(VrMainFormShape, &TVrFormShape::OnMouseMove, this, [this](Qt::MouseButtons, int x, int y) {
        guarded([this, x, y] { VrMainFormShapeMouseMove(x, y); });
    });
    TimerSonaveo->start();
}

TMainForm::~TMainForm()
{
    guarded([this] { FormDestroy(); });
}

void TMainForm::compose()
{
    VrMainFormShape = place<TVrFormShape>(this, "VrMainFormShape", 0, 0, 601, 352);
    // The empty main menu is attached once the window is on screen: a menu bar
    // draws the icon of its overflow button when it is made, milliseconds that
    // the first picture of the window need not wait for.
    connect(VrMainFormShape, &TVrFormShape::firstPainted, this, [this] {
        MainMenu1 = new QMenuBar(this);
        MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
        MainMenu1->hide(); // attached but empty: it takes no room
    }, Qt::QueuedConnection);
    connect(VrMainFormShape, &TVrFormShape::firstPainted, this, &TMainForm::firstPainted);
    VrMainFormShape->setMask(artwork::background());
    VrMainFormShape->setMaskColor(toQColor(clPurple));

    VrMatrixConn = new TVrMatrix(this);
    VrMatrixConn->setObjectName(QStringLiteral("VrMatrixConn"));
    VrMatrixConn->setLeds(10);
    VrMatrixConn->setLedStyle(ls9x13);
    VrMatrixConn->setColor(toQColor(clBlack));
    VrMatrixConn->setPalette(TVrPalette{toQColor(clBlack), toQColor(clAqua)});
    VrMatrixConn->setTimeInterval(250);
    // The main window's matrix, clock and animation tick on window timers. On the
    // one user-interface thread Qt lines their wake-ups up with the status tick's,
    // so a scroll step, a clock second or a frame shares the tick's repaint
    // instead of waking the program once more from a timer thread of its own.
    VrMatrixConn->setThreaded(false);
    VrMatrixConn->setBounds(327, 16, 112, 17);
    VrMatrixConn->setText(QStringLiteral("INTERNET CONNECTION?"));
    VrMatrixConn->setAutoScroll(true);

    const int stationTops[7] = {66, 108, 150, 192, 235, 277, 319};
    const int urlTops[7] = {64, 104, 144, 184, 232, 272, 312};
    for (int i = 0; i < 7; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        auto *url = place<QLineEdit>(this, ("EditStationURL" + n).constData(), 16, urlTops[i], 25, 21);
        url->setText(QStringLiteral("Empty"));
        url->hide();
        EditStationURL[size_t(i)] = url;

        auto *b = place<TVrDemoButton>(this, ("VrDemoButtonStation" + n).constData(), 48,
                                       stationTops[i], 190, 18);
        b->setCursor(Qt::PointingHandCursor);
        b->setFontLeave(TVrFont{vrFont(QStringLiteral("Arial"), 11, true), toQColor(clTeal)});
        b->setFontEnter(TVrFont{vrFont(QStringLiteral("Arial"), 11, true), toQColor(clAqua)});
        b->setOutlineColor(toQColor(clTeal));
        b->setOutlineWidth(1);
        b->setFocusColor(toQColor(clAqua));
        b->setHighlightColor(toQColor(clBlack));
        b->setShadowColor(toQColor(clBlack));
        b->setBevelWidth(1);
        b->setFont3D(0, 0);
        b->setColor(toQColor(clBlack));
        b->setDisabledTextColor(toQColor(clGray));
        b->setCaption(QStringLiteral("none"));
        VrDemoButtonStation[size_t(i)] = b;
    }

    struct RecorderButton {
        TVrDemoButton **member;
        const char *name;
        int left;
        TColor color;
        const char *caption;
    };
    const RecorderButton recorder[3] = {
        {&VrDemoButtonStop, "VrDemoButtonStop", 288, clRed, "STOP"},
        {&VrDemoButtonRec, "VrDemoButtonRec", 350, clRed, "REC"},
        {&VrDemoButtonStart, "VrDemoButtonStart", 412, clLime, "PLAY"},
    };
    for (const RecorderButton &r : recorder) {
        auto *b = place<TVrDemoButton>(this, r.name, r.left, 285, 57, 56);
        const QFont font = vrFont(QStringLiteral("Arial"), 15, true);
        b->setFontLeave(TVrFont{font, toQColor(clBlack)});
        b->setFontEnter(TVrFont{font, toQColor(clBlack)});
        b->setOutlineWidth(2);
        b->setOutlineColor(toQColor(clBlack));
        b->setFocusColor(toQColor(clAqua));
        b->setShadowColor(toQColor(clGray));
        b->setHighlightColor(toQColor(clWhite));
        b->setFont3D(0, 0);
        b->setColor(toQColor(r.color));
        b->setDisabledTextColor(toQColor(clGray));
        b->setCaption(QLatin1String(r.caption));
        *r.member = b;
    }

    composeButtonBlock();
    composeFaderBlock();
    composeBandBlock();
    composeStationBlock();
    composeRecordBlock();

    KeyboardFocusFrame = new TKeyboardFocusFrame(this);
    KeyboardFocusFrame->setColor(toQColor(clAqua));
    KeyboardFocusFrame->watch(VrScrollBarPlayer1);
    KeyboardFocusFrame->watch(VrSpinnerStation);

    Panelxy = place<QLabel>(this, "Panelxy", 0, 0, 65, 17);
    Panelxy->setText(QStringLiteral("1000x1000"));
    Panelxy->setAlignment(Qt::AlignCenter);
    Panelxy->setAutoFillBackground(true);
    {
        QPalette pal = Panelxy->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, Qt::black);
        Panelxy->setPalette(pal);
    }
    Panelxy->hide();

    VrBlotter1 = block(this, "VrBlotter1", 352, 8, 121, 65);
    VrBlotter1->hide();

    TimerSonaveo = new QTimer(this);
    TimerSonaveo->setObjectName(QStringLiteral("TimerSonaveo"));
    TimerSonaveo->setInterval(100);
    connect(TimerSonaveo, &QTimer::timeout, this, [this] { guarded([this] { Playback->TimerSonaveoTimer(); }); });

    Maro = new TUrlLink(this, kMakerWebSite);
    Maro->setObjectName(QStringLiteral("Maro"));

    composeMenu();

    for (int n = 1; n <= kSkinControlCount; ++n)
        m_places[size_t(n - 1)] = movableControl(n)->pos();
}

void TMainForm::composeButtonBlock()
{
    VrBlotterButtonSet = block(this, "VrBlotterButtonSet", 480, 204, 108, 139);
    struct Item {
        TVrDemoButton **member;
        const char *name;
        int top;
        const char *caption;
    };
    const Item items[5] = {
        {&VrDemoButtonUnplug, "VrDemoButtonUnplug", 18, "Disconnect"},
        {&VrDemoButtonSkinMaker, "VrDemoButtonSkinMaker", 42, "Skin Designer"},
        {&VrDemoButtonOptions, "VrDemoButtonOptions", 66, "Options"},
        {&VrDemoButtonBurn, "VrDemoButtonBurn", 90, "About"},
        {&VrDemoButtonExit, "VrDemoButtonExit", 114, "Exit"},
    };
    for (const Item &it : items) {
        auto *b = place<TVrDemoButton>(VrBlotterButtonSet, it.name, 1, it.top, 106, 23);
        styleBlockButton(b, QLatin1String(it.caption));
        *it.member = b;
    }
    VrBlotterMaro = block(VrBlotterButtonSet, "VrBlotterMaro", 0, 0, 107, 18);
    VrBlotterMaro->setColor(toQColor(0x2F2F2F));
    VrBlotter9 = block(VrBlotterButtonSet, "VrBlotter9", 0, 0, 108, 18);
    VrBlotter9->setColor(toQColor(0x2F2F2F));
    auto *maroImage = place<TClickLabel>(VrBlotter9, "MaroImage", 3, 3, 102, 12);
    maroImage->setPixmap(QPixmap::fromImage(artwork::logo()));
    MaroImage = maroImage;
    MaroImage->setCursor(Qt::PointingHandCursor);
}

void TMainForm::composeFaderBlock()
{
    VrBlotterMixer = block(this, "VrBlotterMixer", 469, 9, 117, 115);
    VrBlotterPlayer = block(VrBlotterMixer, "VrBlotterPlayer", 0, 0, 117, 115);
    // The activity picture alternates ten times a second while a station plays.
    ImagePlayer1 = picture(VrBlotterPlayer, "ImagePlayer1", onPanel(artwork::playerIdle(), VrBlotterPlayer->Color()),
                           6, 4, 33, 33);
    ImagePlayer1GO = picture(VrBlotterPlayer, "ImagePlayer1GO",
                             onPanel(artwork::playerActive(), VrBlotterPlayer->Color()), 6, 4, 33, 33);
    ImagePlayer1GO->setShown(false);

    VrScrollBarPlayer1 = place<TVrSlider>(VrBlotterPlayer, "VrScrollBarPlayer1", 46, 5, 25, 105);
    VrScrollBarPlayer1->setOrientation(Qt::Vertical);
    VrScrollBarPlayer1->setMaxValue(1000);
    VrScrollBarPlayer1->setMinValue(0);
    VrScrollBarPlayer1->setKeyIncrement(1);
    VrScrollBarPlayer1->setPalette(ledPalette());
    VrScrollBarPlayer1->setPosition(1000);

    VrScaledb = place<TVrScale>(VrBlotterPlayer, "VrScaledb", 77, 1, 21, 115);
    VrScaledb->setOrientation(Qt::Vertical);
    VrScaledb->setMinValue(-40);
    VrScaledb->setMaxValue(0);
    VrScaledb->setDigits(2);
    VrScaledb->setLeadingZero(true);
    VrScaledb->setScaleColor(toQColor(clAqua));
    VrScaledb->setFontColor(toQColor(clAqua));
    VrScaledb->setFont(vrFont(QStringLiteral("Arial"), 9));
    // The scale reaches down over the block's bottom bevel; drawn see-through,
    // it leaves the bevel whole under its ticks.
    VrScaledb->setTransparent(true);

    LabelDB = label(VrBlotterPlayer, "LabelDB", QStringLiteral("dB"), 95, 3, clAqua);
    LabelVol = label(VrBlotterPlayer, "LabelVol", QStringLiteral("VOL%"), 10, 78, clTeal);
    VrNumVolume = ledNumber(VrBlotterPlayer, "VrNumVolume", 10, 91, 25, 21, 3, 0, 100, 100);
    VrDemoButtonMixer = place<TVrDemoButton>(VrBlotterPlayer, "VrDemoButtonMixer", 9, 38, 29, 15);
    styleBlockButton(VrDemoButtonMixer, QStringLiteral("Mixer"));
    VrDemoButtonMixer->setFontLeave(TVrFont{vrFont(QStringLiteral("Arial"), 9, true), toQColor(clSilver)});
    VrDemoButtonMixer->setFontEnter(TVrFont{vrFont(QStringLiteral("Arial"), 9, true), toQColor(clWhite)});
}

void TMainForm::composeBandBlock()
{
    VrBlotterBand = block(this, "VrBlotterBand", 290, 60, 160, 56);
    VrDemoButtonBand = place<TVrDemoButton>(VrBlotterBand, "VrDemoButtonBand", -1, 1, 107, 15);
    styleBlockButton(VrDemoButtonBand, QStringLiteral("Choose Station Band"));
    LabelSelectBlock = label(VrBlotterBand, "LabelSelectBlock", QStringLiteral("Station Group"), 1, 20, clTeal);
    VrDemoButtonHistory = place<TVrDemoButton>(VrBlotterBand, "VrDemoButtonHistory", 2, 40, 70, 15);
    styleBlockButton(VrDemoButtonHistory, QStringLiteral("Station History"));
    for (TVrDemoButton *b : {VrDemoButtonBand, VrDemoButtonHistory}) {
        b->setFontLeave(TVrFont{vrFont(QStringLiteral("Arial"), 9, true), toQColor(clSilver)});
        b->setFontEnter(TVrFont{vrFont(QStringLiteral("Arial"), 9, true), toQColor(clWhite)});
    }
    VrNumBlock = ledNumber(VrBlotterBand, "VrNumBlock", 126, 1, 25, 13, 3, 1, 100, 1);
    VrSpinnerStation = place<TVrSpinner>(VrBlotterBand, "VrSpinnerStation", 128, 18, 21, 38);
    VrSpinnerStation->setPalette(ledPalette());
}

void TMainForm::composeStationBlock()
{
    VrBlotterStation = block(this, "VrBlotterStation", 290, 136, 291, 58);
    QWidget *p = VrBlotterStation;
    LabelStationName = label(p, "LabelStationName", QStringLiteral("Station:"), 0, 2, clTeal);
    LabelStation = label(p, "LabelStation", QStringLiteral("none"), 43, 2, clAqua, 144);
    LabelStationTime = label(p, "LabelStationTime", QStringLiteral("Time:"), 194, 2, clTeal);
    VrClockReal = ledClock(p, "VrClockReal", 226, 1, ctRealTime);
    VrClockReal->setThreaded(false); // see VrMatrixConn
    VrClockReal->setActive(true);

    LabelStationBand = label(p, "LabelStationBand", QStringLiteral("Format:"), 0, 22, clTeal);
    Labelgenre = label(p, "Labelgenre", QStringLiteral("Maro Radio Network"), 43, 22, clAqua, 136);
    VrAnimate1 = place<TVrAnimate>(p, "VrAnimate1", 213, 16, 78, 20);
    VrAnimate1->setBitmap(artwork::animation());
    VrAnimate1->setFrameCols(3);
    VrAnimate1->setFrameRows(1);
    VrAnimate1->setInterval(500);
    VrAnimate1->setLoop(true);
    VrAnimate1->setThreaded(false); // see VrMatrixConn
    VrAnimate1->setActive(true);

    LabelStationBuffer = label(p, "LabelStationBuffer", QStringLiteral("Buffer:"), 0, 42, clTeal);
    LabelBuffer = label(p, "LabelBuffer", QStringLiteral("0%"), 43, 42, clAqua);
    LabelStationBandwidth = label(p, "LabelStationBandwidth", QStringLiteral("Bitrate:"), 87, 42, clTeal);
    LabelBandwidth = label(p, "LabelBandwidth", QStringLiteral("0"), 125, 42, clAqua);
    LabelStationPosition = label(p, "LabelStationPosition", QStringLiteral("Position:"), 179, 42, clTeal);
    VrClockstposition = ledClock(p, "VrClockstposition", 226, 41, ctCustom);
}

void TMainForm::composeRecordBlock()
{
    VrBlotterPlayback = block(this, "VrBlotterPlayback", 290, 215, 175, 56);
    QWidget *p = VrBlotterPlayback;
    LabelRecSize = label(p, "LabelRecSize", QStringLiteral("Record Size (KB):"), 0, 1, clTeal);
    VrNumSize = ledNumber(p, "VrNumSize", 108, 3, 61, 13, 7, 0, 99999999, 0);
    LabelDuration = label(p, "LabelDuration", QStringLiteral("Record Length:"), 0, 21, clTeal);
    VrClockDuration = ledClock(p, "VrClockDuration", 108, 21, ctCustom);
    LabelPosition = label(p, "LabelPosition", QStringLiteral("Record Position:"), 0, 40, clTeal);
    VrClockRecPos = ledClock(p, "VrClockRecPos", 108, 39, ctCustom);
}

void TMainForm::composeMenu()
{
    PopupMenuDrag = new QMenu(this);
    PopupMenuDrag->setObjectName(QStringLiteral("PopupMenuDrag"));
    auto item = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    EndDragnDrop1 = item(PopupMenuDrag, "EndDragnDrop1", QStringLiteral("Drop Current Object"));
    EndDragnDrop1->setEnabled(false);
    DragnDropLEDMatrix1 = item(PopupMenuDrag, "DragnDropLEDMatrix1", QStringLiteral("Drag and Drop Display"));
    DragnDropFaderBlock1 = item(PopupMenuDrag, "DragnDropFaderBlock1", QStringLiteral("Drag and Drop Fader Block"));
    DragnDropBandBlock1 = item(PopupMenuDrag, "DragnDropBandBlock1", QStringLiteral("Drag and Drop Band Block"));
    DragnDropStationBlock1 = item(PopupMenuDrag, "DragnDropStationBlock1", QStringLiteral("Drag and Drop Station Block"));
    DragnDrop1 = item(PopupMenuDrag, "DragnDrop1", QStringLiteral("Drag and Drop Record Block"));
    DragnDorpButtonBlock1 = item(PopupMenuDrag, "DragnDorpButtonBlock1", QStringLiteral("Drag and Drop Button Block"));
    DragnDrop2 = item(PopupMenuDrag, "DragnDrop2", QStringLiteral("Drag and Drop Stop Button"));
    DragnDropRecordButton1 = item(PopupMenuDrag, "DragnDropRecordButton1", QStringLiteral("Drag and Drop Record Button"));
    DragnDropPlayButton1 = item(PopupMenuDrag, "DragnDropPlayButton1", QStringLiteral("Drag and Drop Play Button"));
    DragnDropStationButton11 = PopupMenuDrag->addMenu(QStringLiteral("Drag and Drop Stations Buttons"));
    DragnDropStationButton11->setObjectName(QStringLiteral("DragnDropStationButton11"));
    DragnDropStationButton11->menuAction()->setObjectName(QStringLiteral("DragnDropStationButton11"));
    for (int i = 0; i < 7; ++i) {
        const QByteArray name = "DragnDropStationButton" + QByteArray::number(i + 1) + "2";
        QString caption = QStringLiteral("Drag and Drop Station Button %1").arg(i + 1);
        if (i == 1)
            caption += QLatin1Char(' '); // the second item's caption ends with a blank
        DragnDropStationButton[size_t(i)] = item(DragnDropStationButton11, name.constData(), caption);
    }
    VrMainFormShape->setPopupMenu(PopupMenuDrag);
}

QMenu *TMainForm::titlesMenu()
{
    if (!m_titlesMenu) {
        m_titlesMenu = new QMenu(this);
        m_titlesMenu->setObjectName(QStringLiteral("TitlesMenu"));
        // In the colours a skin gave the window's menus, if one did.
        if (PopupMenuDrag->testAttribute(Qt::WA_SetPalette))
            m_titlesMenu->setPalette(PopupMenuDrag->palette());
    }
    m_titlesMenu->clear();
    const QList<TStationTitle> &titles = Playback->titles();
    if (titles.isEmpty()) {
        m_titlesMenu->addAction(QStringLiteral("No titles heard yet"))->setEnabled(false);
        return m_titlesMenu;
    }
    m_titlesMenu->addSection(QStringLiteral("Titles heard (click to copy)"));
    for (auto it = titles.crbegin(); it != titles.crend(); ++it) {
        const QString line = it->at.toString(QStringLiteral("HH:mm")) + QStringLiteral("  ") + it->station
                             + QStringLiteral(" - ") + it->title;
        // A menu caption treats "&" as a shortcut mark.
        QAction *item = m_titlesMenu->addAction(QString(line).replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(item, &QAction::triggered, this, [title = it->title] { QGuiApplication::clipboard()->setText(title); });
    }
    return m_titlesMenu;
}

void TMainForm::setMenuPalette(const QPalette &palette)
{
    for (QMenu *menu : {PopupMenuDrag, DragnDropStationButton11, m_titlesMenu})
        if (menu && !(menu->testAttribute(Qt::WA_SetPalette) && menu->palette() == palette))
            menu->setPalette(palette);
}

std::function<void()> TMainForm::guardedHandler(void (TMainForm::*handler)())
{
    return [this, handler] { guarded([this, handler] { (this->*handler)(); }); };
}

void TMainForm::centreOnScreen()
{
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TMainForm::bringToFront()
{
    // During the farewell the window has gone for good.
    if (exiting())
        return;
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_firstShowDone)
        FormShow();
}

void TMainForm::VrDemoButtonHistoryClick()
{
    if (THistoryForm *history = historyForm())
        history->exec();
}

void TMainForm::AddToHistory(const QString &name, const QString &url)
{
    if (THistoryForm *history = historyForm())
        history->AddToHistory(name, url);
}

void TMainForm::VrDemoButtonOptionsClick()
{
    if (TOptionsForm *options = optionsForm())
        options->exec();
    // However it was closed: the band label shows the band again, then the
    // settings are saved.
    Presets->restoreBandName();
    SaveDefaults();
}

void TMainForm::VrDemoButtonSkinMakerClick()
{
    TSkinForm *designer = skinForm();
    if (!designer)
        return;
    designer->EditDir->setText(m_dataDirectory);
    designer->exec();
}

QWidget *TMainForm::movableControl(int n) const
{
    if (n < 1 || n > kSkinControlCount)
        return nullptr;
    return findChild<QWidget *>(QLatin1String(kSkinControlNames[size_t(n - 1)]), Qt::FindDirectChildrenOnly);
}

QPoint TMainForm::movablePlace(int n) const
{
    if (n < 1 || n > kSkinControlCount)
        return {};
    return m_places[size_t(n - 1)];
}

void TMainForm::setMovablePlace(int n, QPoint place)
{
    QWidget *control = movableControl(n);
    if (!control)
        return;
    m_places[size_t(n - 1)] = place;
    control->move(reachablePlace(n, place, size()));
}

void TMainForm::showMovables()
{
    for (int n = 1; n <= kSkinControlCount; ++n)
        if (QWidget *control = movableControl(n))
            control->move(reachablePlace(n, m_places[size_t(n - 1)], size()));
}

QPoint TMainForm::reachablePlace(int n, QPoint place, QSize area) const
{
    const QWidget *control = movableControl(n);
    if (!control)
        return place;
    const int m = kReachMargin;
    const int minLeft = m - control->width();
    const int minTop = m - control->height();
    int left = std::clamp(place.x(), minLeft, std::max(minLeft, area.width() - m));
    int top = std::clamp(place.y(), minTop, std::max(minTop, area.height() - m));
    if (control == VrBlotterButtonSet) {
        // The picture's last column is never part of the window's outline.
        const QRect keep = skinEscapeButtons();
        const int lastColumn = area.width() - 2;
        const int lastRow = area.height() - 1;
        left = std::clamp(left, -keep.left(), std::max(-keep.left(), lastColumn - keep.right()));
        top = std::clamp(top, -keep.top(), std::max(-keep.top(), lastRow - keep.bottom()));
    }
    return {left, top};
}

QRect TMainForm::skinEscapeButtons() const
{
    return VrDemoButtonSkinMaker->geometry() | VrDemoButtonExit->geometry();
}

QSize TMainForm::smallestPicture() const
{
    const QRect keep = skinEscapeButtons();
    return {keep.width() + 1, keep.height()}; // one more column: the last one never shows
}

void TMainForm::startDrag(int target)
{
    EndDragnDrop1->setEnabled(true);
    Panelxy->show();
    Panelxy->raise();
    m_dragTarget = target;
}

void TMainForm::EndDragnDrop1Click()
{
    Panelxy->hide();
    m_dragTarget = 0;
    EndDragnDrop1->setEnabled(false);
}

void TMainForm::VrMainFormShapeMouseMove(int x, int y)
{
    const QString xy = QStringLiteral("%1x%2").arg(x).arg(y);
    if (Panelxy->text() != xy)
        Panelxy->setText(xy);
    // The control's corner sits one pixel right of and below the pointer, never
    // left of or above the window, and never right of the background.
    const int left = std::clamp(x + 1, 0, std::max(0, VrMainFormShape->width()));
    const int top = std::max(0, y + 1);
    // The user puts the control where it shows: that is its place from now on.
    if (movableControl(m_dragTarget))
        setMovablePlace(m_dragTarget, reachablePlace(m_dragTarget, {left, top}, size()));
}

void TMainForm::VrDemoButtonBandClick()
{
    TBandForm *bands = bandForm();
    if (!bands || bands->exec() != QDialog::Accepted)
        return;
    // With nothing highlighted the band stays, whatever the label shows (even
    // the history marker, which then serves as the band's name).
    Presets->selectBand(bands->hasHighlight() ? std::optional<QString>(bands->highlightedBand()) : std::nullopt);
    SaveDefaults();
}

void TMainForm::VrDemoButtonBurnClick()
{
    if (TAboutForm *about = aboutForm())
        about->exec();
}

void TMainForm::VrDemoButtonMixerClick() { openMixer(); }

void TMainForm::MaroImageClick()
{
    if (!Playback->state.online)
        Network->attemptConnect();
    Maro->Open();
}

