#include "skinform.h"

#include "dialogs.h"
#include "editstationform.h"
#include "errors.h"
#include "errorguard.h"
#include "forms.h"
#include "historyform.h"
#include "mainform.h"
#include "optionsform.h"
#include "skinpicture.h"
#include "startup.h"
#include "vrblotter.h"
#include "vrclock.h"
#include "vrcompose.h"
#include "vrdemobutton.h"
#include "vrformshape.h"
#include "vrmatrix.h"
#include "vrnum.h"
#include "vrscale.h"
#include "vrslider.h"
#include "vrspinner.h"

#include <QComboBox>
#include <QListWidget>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

const QString TSkinForm::kPictureDialogTitle = QStringLiteral("Hintergrundgrafik auswählen");
// Windows bitmaps first, as the skins of the Windows version use; PNG and JPEG
// pictures read just as well.
const QString TSkinForm::kPictureFilter =
    QStringLiteral("Bitmaps (*.bmp);;Pictures (*.bmp *.png *.jpg *.jpeg)");
const QString TSkinForm::kLoadSkinTitle = QStringLiteral("Load Skin");
const QString TSkinForm::kSaveSkinTitle = QStringLiteral("Save Skin");
const QString TSkinForm::kSkinFilter = QStringLiteral("Skin (*.skn)");

namespace {

TColor fromQColor(const QColor &color)
{
    const QRgb rgb = color.rgb();
    return TColor(qRed(rgb)) | TColor(qGreen(rgb)) << 8 | TColor(qBlue(rgb)) << 16;
}

// The text colour of a label, edit field, list or combo box; the widget is only
// touched when the colour really changes.
void setFontColor(QWidget *w, const QColor &c)
{
    if (!w)
        return;
    QPalette pal = w->palette();
    bool changed = false;
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            if (pal.color(group, role) != c) {
                pal.setColor(group, role, c);
                changed = true;
            }
    if (changed)
        w->setPalette(pal);
}

void setEnter(TVrDemoButton *b, const QColor &c)
{
    if (b)
        b->setFontEnter(TVrFont{b->FontEnter().Font, c});
}

void setLeave(TVrDemoButton *b, const QColor &c)
{
    if (b)
        b->setFontLeave(TVrFont{b->FontLeave().Font, c});
}

template <typename W>
void setHigh(W *w, const QColor &c)
{
    TVrPalette p = w->Palette();
    p.High = c;
    w->setPalette(p);
}

template <typename W>
void setLow(W *w, const QColor &c)
{
    TVrPalette p = w->Palette();
    p.Low = c;
    w->setPalette(p);
}

QLabel *sectionLabel(QWidget *parent, const char *name, const QString &caption, int left, int top)
{
    const QFont font = vrFont(QStringLiteral("Arial"), 11, true);
    return placeLabel(parent, name, caption, left, top, toQColor(clTeal), 0, &font);
}

} // namespace

TSkinSwatch::TSkinSwatch(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents); // shows a colour, takes no clicks
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSkinSwatch::setColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void TSkinSwatch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(m_color));
}

TSkinForm::TSkinForm(QWidget *parent) : TBorderlessForm(QSize(290, 430), parent)
{
    setObjectName(QStringLiteral("SkinForm"));
    setWindowTitle(QStringLiteral("Skin Designer"));
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));

    // The background takes no clicks, so a press anywhere on it drags the window.
    VrBlotterSkinMaker = place<TVrBlotter>(this, "VrBlotterSkinMaker", 0, 0, 290, 430);
    VrBlotterSkinMaker->setColor(toQColor(clBlack));
    VrBlotterSkinMaker->setEnabled(false);
    QWidget *back = VrBlotterSkinMaker;

    const QFont title = vrFont(QStringLiteral("Arial"), 16, true);
    LabelSkinTop = placeLabel(back, "LabelSkinTop", QStringLiteral("Skin Designer"), 9, 8, toQColor(clAqua), 280,
                              &title);
    LabelSkinTop->resize(280, 18);
    LabelGraphics = sectionLabel(back, "LabelGraphics", QStringLiteral("Skin Image:"), 9, 36);

    VrBlotter3 = place<TVrBlotter>(this, "VrBlotter3", 8, 52, 273, 26);
    VrBlotter3->setColor(toQColor(clBlack));
    EditSkin = place<QLineEdit>(VrBlotter3, "EditSkin", 4, 4, 261, 20);
    styleLedEdit(EditSkin);
    EditSkin->setFont(vrFont(QStringLiteral("Arial"), 13));
    EditSkin->setFocusPolicy(Qt::ClickFocus);
    EditSkin->setText(QStringLiteral("default"));

    const QFont buttonFont = vrFont(QStringLiteral("Arial"), 11, true);
    auto button = [&](const char *name, const QString &caption, int left, int top, int width) {
        auto *b = place<TVrDemoButton>(this, name, left, top, width, 24);
        styleButton(b, caption, buttonFont, toQColor(clSilver), toQColor(clWhite), toQColor(clGray));
        b->setBevelWidth(0);
        b->setFocusColor(toQColor(clWhite));
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    auto swatch = [&](const char *name, int left, int top, TColor color) {
        auto *s = place<TSkinSwatch>(back, name, left, top, 24, 24);
        s->setColor(color);
        return s;
    };

    const TSkin initial = DefaultSkin();
    VrDemoButtonTrans = button("VrDemoButtonTrans", QStringLiteral("Set Transparent Color"), 9, 85, 136);
    PanelTrans = swatch("PanelTrans", 146, 85, initial.Transparent);
    VrDemoButtonBackground = button("VrDemoButtonBackground", QStringLiteral("Load Image"), 174, 85, 106);

    LabelMatrix = sectionLabel(back, "LabelMatrix", QStringLiteral("Text Display:"), 10, 124);
    VrBlotter7 = place<TVrBlotter>(this, "VrBlotter7", 8, 140, 273, 26);
    VrBlotter7->setColor(toQColor(clBlack));
    EditLEDMatrix = place<QLineEdit>(VrBlotter7, "EditLEDMatrix", 6, 6, 259, 13);
    styleLedEdit(EditLEDMatrix);
    EditLEDMatrix->setFocusPolicy(Qt::ClickFocus);
    EditLEDMatrix->setText(initial.LEDMatrix);

    LabelSonaveo = sectionLabel(back, "LabelSonaveo", QStringLiteral("Sonaveo Colors "), 9, 180);
    VrDemoButtonWActive = button("VrDemoButtonWActive", QStringLiteral("Active"), 9, 199, 106);
    PanelWActive = swatch("PanelWActive", 116, 199, initial.WindowActive);
    VrDemoButtonWPassive = button("VrDemoButtonWPassive", QStringLiteral("Passive"), 149, 199, 106);
    PanelWPassive = swatch("PanelWPassive", 256, 199, initial.WindowPassive);

    LabelGlobal = sectionLabel(back, "LabelGlobal", QStringLiteral("Popup Colors:"), 9, 236);
    VrDemoButtonActive = button("VrDemoButtonActive", QStringLiteral("Active"), 9, 255, 106);
    PanelActive = swatch("PanelActive", 116, 255, initial.Active);
    VrDemoButtonPassive = button("VrDemoButtonPassive", QStringLiteral("Passive"), 149, 255, 106);
    PanelPassive = swatch("PanelPassive", 256, 255, initial.Passive);
    VrDemoButtonPopUp = button("VrDemoButtonPopUp", QStringLiteral("Popup"), 9, 287, 106);
    PanelPopup = swatch("PanelPopup", 116, 287, initial.PopUp);

    LabelText = sectionLabel(back, "LabelText", QStringLiteral("Button Colors:"), 9, 324);
    VrDemoButtonText = button("VrDemoButtonText", QStringLiteral("Button Text"), 9, 343, 106);
    PanelButtonText = swatch("PanelButtonText", 116, 343, initial.ButtonText);
    VrDemoButtonMouseOver = button("VrDemoButtonMouseOver", QStringLiteral("Mouse Over"), 149, 343, 106);
    PanelMouseOver = swatch("PanelMouseOver", 256, 343, initial.MouseOver);

    VrDemoButtonLoadSkin = button("VrDemoButtonLoadSkin", QStringLiteral("Load Skin"), 9, 393, 88);
    VrDemoButtonSaveSkin = button("VrDemoButtonSaveSkin", QStringLiteral("Save Skin"), 100, 393, 88);
    VrDemoButtonExitSkin = button("VrDemoButtonExitSkin", QStringLiteral("Exit"), 192, 393, 88);

    EditDir = place<QLineEdit>(back, "EditDir", 160, 16, 121, 21);
    EditDir->hide();

    const std::pair<TVrDemoButton *, void (TSkinForm::*)()> clicks[] = {
        {VrDemoButtonTrans, &TSkinForm::VrDemoButtonTransClick},
        {VrDemoButtonBackground, &TSkinForm::VrDemoButtonBackgroundClick},
        {VrDemoButtonWActive, &TSkinForm::VrDemoButtonWActiveClick},
        {VrDemoButtonWPassive, &TSkinForm::VrDemoButtonWPassiveClick},
        {VrDemoButtonActive, &TSkinForm::VrDemoButtonActiveClick},
        {VrDemoButtonPassive, &TSkinForm::VrDemoButtonPassiveClick},
        {VrDemoButtonPopUp, &TSkinForm::VrDemoButtonPopUpClick},
        {VrDemoButtonText, &TSkinForm::VrDemoButtonTextClick},
        {VrDemoButtonMouseOver, &TSkinForm::VrDemoButtonMouseOverClick},
        {VrDemoButtonLoadSkin, &TSkinForm::VrDemoButtonLoadSkinClick},
        {VrDemoButtonSaveSkin, &TSkinForm::VrDemoButtonSaveSkinClick},
        {VrDemoButtonExitSkin, &TSkinForm::VrDemoButtonExitSkinClick},
    };
    for (const auto &[b, handler] : clicks)
        connect(b, &TVrDemoButton::OnClick, this, [this, handler = handler] {
            guarded([this, handler] { (this->*handler)(); });
        });
}

std::array<TVrDemoButton *, 12> TSkinForm::pushButtons() const
{
    return {VrDemoButtonTrans,     VrDemoButtonBackground, VrDemoButtonWActive,  VrDemoButtonWPassive,
            VrDemoButtonActive,    VrDemoButtonPassive,    VrDemoButtonPopUp,    VrDemoButtonText,
            VrDemoButtonMouseOver, VrDemoButtonLoadSkin,   VrDemoButtonSaveSkin, VrDemoButtonExitSkin};
}

TMainForm *TSkinForm::mainWindow() const
{
    TApplicationWindows *w = applicationWindows();
    return w && w->MainForm ? w->MainForm.get() : mainForm();
}

// ---------------------------------------------------------------------------
// The skin in use

TSkin TSkinForm::currentSkin() const
{
    TSkin skin;
    skin.Picture = EditSkin->text();
    skin.WindowActive = PanelWActive->Color();
    skin.WindowPassive = PanelWPassive->Color();
    skin.LEDMatrix = EditLEDMatrix->text();
    skin.Active = PanelActive->Color();
    skin.Passive = PanelPassive->Color();
    skin.PopUp = PanelPopup->Color();
    skin.ButtonText = PanelButtonText->Color();
    skin.MouseOver = PanelMouseOver->Color();
    skin.Transparent = PanelTrans->Color();
    skin.Places = DefaultSkin().Places;
    if (const TMainForm *main = mainWindow())
        for (int n = 1; n <= kSkinControlCount; ++n) {
            const QPoint place = main->movablePlace(n);
            skin.Places[size_t(n - 1)] = TSkinPlace{place.x(), place.y()};
        }
    return skin;
}

void TSkinForm::setSkin(const TSkin &skin)
{
    if (EditSkin->text() != skin.Picture)
        EditSkin->setText(skin.Picture);
    PanelWActive->setColor(skin.WindowActive);
    PanelWPassive->setColor(skin.WindowPassive);
    if (EditLEDMatrix->text() != skin.LEDMatrix)
        EditLEDMatrix->setText(skin.LEDMatrix);
    PanelActive->setColor(skin.Active);
    PanelPassive->setColor(skin.Passive);
    PanelPopup->setColor(skin.PopUp);
    PanelButtonText->setColor(skin.ButtonText);
    PanelMouseOver->setColor(skin.MouseOver);
    PanelTrans->setColor(skin.Transparent);

    // The places are the controls' own; each shows within reach of the window
    // as it is, and again once the window has taken the picture's size.
    if (TMainForm *main = mainWindow())
        for (int n = 1; n <= kSkinControlCount; ++n) {
            const TSkinPlace &place = skin.Places[size_t(n - 1)];
            main->setMovablePlace(n, QPoint(place.Left, place.Top));
        }
}

void TSkinForm::loadSkin(const QString &path)
{
    TSkin skin = currentSkin();
    try {
        LoadSkinFile(path, skin);
    } catch (...) {
        setSkin(skin); // the lines before the bad one are in place
        throw;
    }
    setSkin(skin);
}

void TSkinForm::saveSkin(const QString &path)
{
    TSkin skin = currentSkin();
    SaveSkinFile(path, skin);
    if (EditSkin->text() != skin.Picture)
        EditSkin->setText(skin.Picture);
}

// ---------------------------------------------------------------------------
// Applying

void TSkinForm::ApplySkin(bool reloadPicture)
{
    TMainForm *main = mainWindow();
    const QString picturePath = EditSkin->text();
    const bool havePicture = !picturePath.isEmpty() && QFileInfo(picturePath).isFile();

    if (main && havePicture && reloadPicture) {
        // Read first: a picture that cannot be read changes nothing.
        const QImage picture = loadSkinPicture(picturePath);
        const QSize smallest = main->smallestPicture();
        if (picture.width() < smallest.width() || picture.height() < smallest.height())
            throw Exception(QStringLiteral("The picture is too small: it must be at least %1 \u00D7 %2 pixels")
                                .arg(smallest.width())
                                .arg(smallest.height()));
        TVrFormShape *shape = main->VrMainFormShape;
        // Long after the window was made: a new picture is always scanned.
        shape->Loaded();
        main->setFixedSize(picture.size());
        shape->setGeometry(0, 0, picture.width(), picture.height());
        shape->setMask(picture);
        main->showMovables();
    }

    applyColours(main);

    if (main && havePicture)
        main->VrMainFormShape->setMaskColor(PanelTrans->Color()); // rescans only on a change
}

void TSkinForm::applyColours(TMainForm *main)
{
    TApplicationWindows *windows = applicationWindows();
    TBandForm *band = windows ? windows->BandForm.get() : nullptr;
    THistoryForm *history = windows ? windows->HistoryForm.get() : nullptr;
    TEditStationForm *editor = windows ? windows->EditStationForm.get() : nullptr;
    TOptionsForm *options = windows ? windows->OptionsForm.get() : nullptr;

    // Active colour: titles and input fields of the pop-up windows.
    const QColor active = toQColor(PanelActive->Color());
    for (QWidget *w : {static_cast<QWidget *>(LabelSkinTop), static_cast<QWidget *>(EditSkin),
                       static_cast<QWidget *>(EditLEDMatrix)})
        setFontColor(w, active);
    if (band) {
        setFontColor(band->LabelStationBand, active);
        setFontColor(band->EditNewStationBand, active);
    }
    if (editor) {
        setFontColor(editor->LabelEditStation, active);
        setFontColor(editor->EditStationName, active);
        setFontColor(editor->EditStationURL, active);
    }
    if (history) {
        setFontColor(history->LabelHistory, active);
        for (TVrDemoButton *b : history->VrDemoButtonHis)
            setEnter(b, active);
    }
    if (options) {
        setFontColor(options->LabelOptions, active);
        setFontColor(options->FormatBox, active);
        setFontColor(options->DriverBox, active);
        setFontColor(options->DirectoryEditLogger, active);
        setFontColor(options->DirectoryEditLogger->Edit, active);
    }

    // Passive colour: the labels of the pop-up windows.
    const QColor passive = toQColor(PanelPassive->Color());
    for (QLabel *l : {LabelGraphics, LabelGlobal, LabelSonaveo, LabelText, LabelMatrix})
        setFontColor(l, passive);
    if (band) {
        setFontColor(band->ListBoxBands, passive);
        setFontColor(band->LabelAddGenre, passive);
    }
    if (editor) {
        setFontColor(editor->LabelSTName, passive);
        setFontColor(editor->LabelSTURL, passive);
        setFontColor(editor->LabelSTEx, passive);
    }
    if (history)
        for (TVrDemoButton *b : history->VrDemoButtonHis)
            setLeave(b, passive);
    if (options) {
        setFontColor(options->LabelRecFormat, passive);
        setFontColor(options->LabelRecDriver, passive);
        setFontColor(options->LabelTempFile, passive);
    }

    if (main) {
        // Window active colour: the lit segments and value texts of the main window.
        const QColor wActive = toQColor(PanelWActive->Color());
        setHigh(main->VrMatrixConn, wActive);
        setEnter(main->VrDemoButtonMixer, wActive);
        setLeave(main->VrDemoButtonMixer, wActive);
        setHigh(main->VrNumVolume, wActive);
        main->VrScaledb->setFontColor(wActive);
        setFontColor(main->LabelDB, wActive);
        setHigh(main->VrNumBlock, wActive);
        setHigh(main->VrSpinnerStation, wActive); // the passive colour follows
        for (TVrDemoButton *b : {main->VrDemoButtonBand, main->VrDemoButtonHistory}) {
            setEnter(b, wActive);
            setLeave(b, wActive);
        }
        setHigh(main->VrScrollBarPlayer1, wActive);
        for (QLabel *l : {main->LabelStation, main->Labelgenre, main->LabelBuffer, main->LabelBandwidth})
            setFontColor(l, wActive);
        for (TVrClock *c : {main->VrClockReal, main->VrClockstposition})
            setHigh(c, wActive);
        setHigh(main->VrNumSize, wActive);
        for (TVrClock *c : {main->VrClockDuration, main->VrClockRecPos})
            setHigh(c, wActive);
        for (TVrDemoButton *b : main->VrDemoButtonStation)
            setEnter(b, wActive);

        // Window passive colour: captions and unlit segments.
        const QColor wPassive = toQColor(PanelWPassive->Color());
        setFontColor(main->LabelVol, wPassive);
        setLow(main->VrNumVolume, wPassive);
        setLow(main->VrNumBlock, wPassive);
        setFontColor(main->LabelSelectBlock, wPassive);
        main->VrSpinnerStation->setPalette(TVrPalette{wPassive, wPassive});
        setLow(main->VrScrollBarPlayer1, wPassive);
        for (QLabel *l : {main->LabelStationName, main->LabelStationBand, main->LabelStationBuffer,
                          main->LabelStationBandwidth, main->LabelStationTime, main->LabelStationPosition})
            setFontColor(l, wPassive);
        for (TVrClock *c : {main->VrClockReal, main->VrClockstposition})
            setLow(c, wPassive);
        for (QLabel *l : {main->LabelRecSize, main->LabelDuration, main->LabelPosition})
            setFontColor(l, wPassive);
        setLow(main->VrNumSize, wPassive);
        for (TVrClock *c : {main->VrClockDuration, main->VrClockRecPos})
            setLow(c, wPassive);
        for (TVrDemoButton *b : main->VrDemoButtonStation)
            setLeave(b, wPassive);

        // The LED matrix scrolls the skin's text (the status tick puts up its
        // offline text while there is no connection).
        main->VrMatrixConn->setText(EditLEDMatrix->text());
    }

    // Button text, then mouse-over, over the same buttons in the same order.
    std::vector<TVrDemoButton *> buttons;
    if (main)
        buttons.insert(buttons.end(), {main->VrDemoButtonUnplug, main->VrDemoButtonSkinMaker,
                                       main->VrDemoButtonOptions, main->VrDemoButtonBurn,
                                       main->VrDemoButtonExit});
    for (TVrDemoButton *b : pushButtons())
        buttons.push_back(b);
    if (band)
        buttons.insert(buttons.end(), {band->VrDemoButtonCancelBand, band->VrDemoButtonSelectBand,
                                       band->VrDemoButtonRemove, band->VrDemoButtonAdd});
    if (editor)
        buttons.push_back(editor->VrDemoButtonExit);
    if (history)
        buttons.push_back(history->VrDemoButtonCloseHistory);
    if (options)
        buttons.insert(buttons.end(),
                       {options->VrDemoButtonExport, options->VrDemoButtonExit, options->VrDemoButtonHelp});
    const QColor buttonText = toQColor(PanelButtonText->Color());
    for (TVrDemoButton *b : buttons)
        setLeave(b, buttonText);
    const QColor mouseOver = toQColor(PanelMouseOver->Color());
    for (TVrDemoButton *b : buttons)
        setEnter(b, mouseOver);

    // Pop-up colour: the panel filling each pop-up window.
    const QColor popUp = toQColor(PanelPopup->Color());
    if (VrBlotterSkinMaker->Color() != popUp) {
        VrBlotterSkinMaker->setColor(popUp);
        VrBlotterSkinMaker->repaint(); // the designer shows its new colour at once
    }
    if (band)
        band->VrBlotterBands->setColor(popUp);
    if (editor)
        editor->VrBlotterStation->setColor(popUp);
    if (history)
        history->VrBlotterHistory->setColor(popUp);
    if (options)
        options->VrBlotterOptions->setColor(popUp);
}

// ---------------------------------------------------------------------------
// Handlers

bool TSkinForm::chooseColor(TColor &chosen)
{
    const QColor c = dialogs().chooseColor(toQColor(m_lastChosenColor), this);
    if (!c.isValid())
        return false;
    chosen = m_lastChosenColor = fromQColor(c);
    return true;
}

void TSkinForm::colourButton(TSkinSwatch *swatch)
{
    TColor chosen = 0;
    if (!chooseColor(chosen))
        return;
    swatch->setColor(chosen);
    ApplySkin(false);
}

void TSkinForm::VrDemoButtonActiveClick() { colourButton(PanelActive); }
void TSkinForm::VrDemoButtonPassiveClick() { colourButton(PanelPassive); }
void TSkinForm::VrDemoButtonPopUpClick() { colourButton(PanelPopup); }
void TSkinForm::VrDemoButtonWActiveClick() { colourButton(PanelWActive); }
void TSkinForm::VrDemoButtonWPassiveClick() { colourButton(PanelWPassive); }
void TSkinForm::VrDemoButtonTextClick() { colourButton(PanelButtonText); }
void TSkinForm::VrDemoButtonMouseOverClick() { colourButton(PanelMouseOver); }

void TSkinForm::setShown(bool shown)
{
    // QDialog's own hide would end the modal showing; the plain widget's keeps
    // the designer modal when it comes back.
    QWidget::setVisible(shown);
}

void TSkinForm::reshape(const TSkin &before)
{
    TMainForm *main = mainWindow();
    try {
        ApplySkin(true); // R1
    } catch (...) {
        // A picture that is refused changes nothing: the skin in use is the one
        // before, and the main window, hidden for the change, comes back with
        // its old picture before the error is shown (a hidden main window could
        // not be reached again once the designer is closed).
        setSkin(before);
        if (main)
            main->show();
        throw;
    }
    const bool wasShown = isVisible();
    if (wasShown)
        setShown(false); // R2
    if (main)
        main->show(); // R3
    if (wasShown) {
        setShown(true); // R4: in front of the main window, still modal
        raise();
        activateWindow();
    }
}

void TSkinForm::VrDemoButtonTransClick()
{
    const TSkin before = currentSkin();
    TColor chosen = 0;
    if (!chooseColor(chosen))
        return;
    PanelTrans->setColor(chosen);
    repaint();
    if (TMainForm *main = mainWindow()) {
        main->hide();
        main->move(0, 0);
    }
    reshape(before);
}

void TSkinForm::VrDemoButtonBackgroundClick()
{
    const QString file = dialogs().openFileName(this, kPictureDialogTitle, EditDir->text() + QLatin1Char('/'),
                                                kPictureFilter);
    if (file.isEmpty())
        return;
    const TSkin before = currentSkin();
    TMainForm *main = mainWindow();
    if (main)
        main->hide();
    repaint();
    EditSkin->setText(QFileInfo(file).absoluteFilePath());
    if (main)
        main->move(0, 0);
    reshape(before);
}

void TSkinForm::VrDemoButtonLoadSkinClick()
{
    const QString file = dialogs().openFileName(this, kLoadSkinTitle, EditDir->text(), kSkinFilter);
    if (file.isEmpty())
        return;
    repaint();
    const TSkin before = currentSkin();
    TMainForm *main = mainWindow();
    if (main)
        main->hide();
    try {
        loadSkin(file);
    } catch (...) {
        if (main)
            main->show(); // as in reshape(): never leave the main window hidden
        throw;
    }
    reshape(before); // the main window keeps its place on the screen
}

void TSkinForm::VrDemoButtonSaveSkinClick()
{
    QString file = dialogs().saveFileName(this, kSaveSkinTitle, EditDir->text(), kSkinFilter);
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".skn");
    saveSkin(file);
}

void TSkinForm::VrDemoButtonExitSkinClick() { accept(); }
