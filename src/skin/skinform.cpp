#include "skin/skinform.h"

#include "platform/dialogs.h"
#include "platform/errorguard.h"
#include "platform/errors.h"
#include "platform/textfile.h"
#include "skin/skinhost.h"
#include "skin/skinpalette.h"
#include "skin/skinpicture.h"
#include "widgets/vrblotter.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"

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
    // Framed in the grey of the button beside it: a colour the same as the
    // panel's (the pop-up colour on its own metal) still shows where it is.
    QPainter p(this);
    p.fillRect(rect(), toQColor(clGray));
    p.fillRect(rect().adjusted(1, 1, -1, -1), toQColor(m_color));
}

TSkinForm::TSkinForm(QWidget *parent) : TBorderlessForm(QSize(290, 430), parent)
{
    setObjectName(QStringLiteral("SkinForm"));
    setWindowTitle(QStringLiteral("Skin Designer"));
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));

    // The background takes no clicks, so a press anywhere on it drags the window.
    VrBlotterSkinMaker = place<TVrBlotter>(this, "VrBlotterSkinMaker", 0, 0, 290, 430);
    VrBlotterSkinMaker->setMetal(true, true);
    VrBlotterSkinMaker->setColor(toQColor(clBlack));
    VrBlotterSkinMaker->setEnabled(false);
    QWidget *back = VrBlotterSkinMaker;

    const QFont title = vrFont(QStringLiteral("Arial"), 16, true);
    LabelSkinTop = placeLabel(back, "LabelSkinTop", QStringLiteral("Skin Designer"), 9, 8, toQColor(clAqua), 280,
                              &title);
    LabelSkinTop->resize(280, 18);
    // The title's line fills its 18 pixels; a face whose line is taller (DejaVu
    // Sans, where Liberation Sans is missing) keeps its descenders whole when the
    // line sits on the bottom edge.
    LabelSkinTop->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
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

QWidget *TSkinForm::mainWindow() const { return m_host ? m_host->mainWindow() : nullptr; }

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
    if (m_host)
        for (int n = 1; n <= kSkinControlCount; ++n) {
            const QPoint place = m_host->movablePlace(n);
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
    if (m_host)
        for (int n = 1; n <= kSkinControlCount; ++n) {
            const TSkinPlace &place = skin.Places[size_t(n - 1)];
            m_host->setMovablePlace(n, QPoint(place.Left, place.Top));
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
    const QString picturePath = EditSkin->text();
    const bool havePicture = !picturePath.isEmpty() && QFileInfo(picturePath).isFile();

    if (m_host && havePicture && reloadPicture) {
        // Read first: a picture that cannot be read changes nothing.
        const QImage picture = loadSkinPicture(picturePath);
        const QSize smallest = m_host->smallestPicture();
        if (picture.width() < smallest.width() || picture.height() < smallest.height()) {
            Exception e(QStringLiteral("The picture is too small: it must be at least %1 \u00D7 %2 pixels")
                            .arg(smallest.width())
                            .arg(smallest.height()));
            e.setWhere(placeInFile(picturePath));
            throw e;
        }
        m_host->takePicture(picture);
    }

    const TSkin skin = currentSkin();
    // The toolkit's windows and controls (messages, dialogs, menus, lists,
    // drop-down lists, scroll bars) take the skin's colours too.
    applyApplicationPalette(skin);
    applySkinColours(skin, ownColourTable());
    if (m_host) {
        applySkinColours(skin, m_host->colourTable());
        m_skinApplied = true;
        // The LED matrix scrolls the skin's text (the status tick puts up its
        // offline text while there is no connection).
        m_host->setLedText(skin.LEDMatrix);
        if (havePicture)
            m_host->setTransparentColour(skin.Transparent); // rescans only on a change
    }
}

TSkinColourTable TSkinForm::ownColourTable()
{
    TSkinColourTable table;
    for (QWidget *w : {static_cast<QWidget *>(LabelSkinTop), static_cast<QWidget *>(EditSkin),
                       static_cast<QWidget *>(EditLEDMatrix)})
        table.text(TSkinColour::Active, w);
    for (QLabel *l : {LabelGraphics, LabelGlobal, LabelSonaveo, LabelText, LabelMatrix})
        table.text(TSkinColour::Passive, l);
    for (TVrDemoButton *b : pushButtons()) {
        table.leave(TSkinColour::ButtonText, b);
        table.enter(TSkinColour::MouseOver, b);
    }
    table.add(TSkinColour::PopUp, [this](const QColor &popUp) {
        if (VrBlotterSkinMaker->Color() != popUp) {
            VrBlotterSkinMaker->setColor(popUp);
            VrBlotterSkinMaker->repaint(); // the designer shows its new colour at once
        }
    });
    return table;
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
    QWidget *main = mainWindow();
    try {
        ApplySkin(true);
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
        setShown(false);
    if (main)
        main->show(); // the main window with its new picture, behind the designer
    if (wasShown) {
        setShown(true); // in front of the main window, still modal
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
    if (QWidget *main = mainWindow()) {
        main->hide();
        main->move(0, 0);
    }
    reshape(before);
}

void TSkinForm::VrDemoButtonBackgroundClick()
{
    const QString file = dialogs().openPictureName(this, kPictureDialogTitle, EditDir->text() + QLatin1Char('/'),
                                                kPictureFilter);
    if (file.isEmpty())
        return;
    const TSkin before = currentSkin();
    QWidget *main = mainWindow();
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
    QWidget *main = mainWindow();
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
    // The dialog asked about the name as typed; the skin is written under the
    // name with its extension, which may be another file that is there already.
    if (QFileInfo(file).suffix().isEmpty()) {
        file += QStringLiteral(".skn");
        if (pathIsTaken(file)
            && !dialogs().askYesNo(QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(file)))
            return;
    }
    saveSkin(file);
}

void TSkinForm::VrDemoButtonExitSkinClick() { accept(); }
