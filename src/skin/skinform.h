#pragma once
// The skin designer: a small modal window in which the user picks the eight skin
// colours, the background picture and the LED text, and loads or saves skin files.
// Its fields are also where the skin in use lives (with the positions of the main
// window's sixteen movable controls); ApplySkin pushes them onto every window.

#include "skin/skincolours.h"
#include "skin/skinfile.h"
#include "widgets/vrborderlessform.h"
#include "widgets/vrcolors.h"

#include <array>

class QLabel;
class QLineEdit;
class TSkinHost;
class TVrBlotter;
class TVrDemoButton;

// A framed panel that only shows a colour. It keeps the colour as the program
// stores it, so a system colour read from a skin file is written back unchanged.
class TSkinSwatch : public QWidget {
    Q_OBJECT
public:
    explicit TSkinSwatch(QWidget *parent = nullptr);

    TColor Color() const { return m_color; }
    void setColor(TColor color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TColor m_color = clBlack;
};

class TSkinForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TSkinForm(QWidget *parent = nullptr);

    // The windows the skin is applied to; without one only the designer takes it.
    void setHost(TSkinHost *host) { m_host = host; }

    TVrBlotter *VrBlotterSkinMaker = nullptr;
    QLabel *LabelSkinTop = nullptr;
    QLabel *LabelGraphics = nullptr;
    TVrBlotter *VrBlotter3 = nullptr;
    QLineEdit *EditSkin = nullptr;
    TVrDemoButton *VrDemoButtonTrans = nullptr;
    TSkinSwatch *PanelTrans = nullptr;
    TVrDemoButton *VrDemoButtonBackground = nullptr;
    QLabel *LabelMatrix = nullptr;
    TVrBlotter *VrBlotter7 = nullptr;
    QLineEdit *EditLEDMatrix = nullptr;
    QLabel *LabelSonaveo = nullptr;
    TVrDemoButton *VrDemoButtonWActive = nullptr;
    TSkinSwatch *PanelWActive = nullptr;
    TVrDemoButton *VrDemoButtonWPassive = nullptr;
    TSkinSwatch *PanelWPassive = nullptr;
    QLabel *LabelGlobal = nullptr;
    TVrDemoButton *VrDemoButtonActive = nullptr;
    TSkinSwatch *PanelActive = nullptr;
    TVrDemoButton *VrDemoButtonPassive = nullptr;
    TSkinSwatch *PanelPassive = nullptr;
    TVrDemoButton *VrDemoButtonPopUp = nullptr;
    TSkinSwatch *PanelPopup = nullptr;
    QLabel *LabelText = nullptr;
    TVrDemoButton *VrDemoButtonText = nullptr;
    TSkinSwatch *PanelButtonText = nullptr;
    TVrDemoButton *VrDemoButtonMouseOver = nullptr;
    TSkinSwatch *PanelMouseOver = nullptr;
    TVrDemoButton *VrDemoButtonLoadSkin = nullptr;
    TVrDemoButton *VrDemoButtonSaveSkin = nullptr;
    TVrDemoButton *VrDemoButtonExitSkin = nullptr;
    QLineEdit *EditDir = nullptr;

    // The twelve push buttons in the order the button colours reach them.
    std::array<TVrDemoButton *, 12> pushButtons() const;

    // Dialog titles and filters (Qt's "Name (*.ext)" form).
    static const QString kPictureDialogTitle;
    static const QString kPictureFilter;
    static const QString kLoadSkinTitle;
    static const QString kSaveSkinTitle;
    static const QString kSkinFilter;

    // The colour ColorDialogSkin starts with: the last one chosen in it during
    // this run, black before the first choice.
    TColor lastChosenColor() const { return m_lastChosenColor; }

    // Pushes the skin held by this window's fields onto every window: with
    // reloadPicture the background picture is read again and the main window takes
    // its size and outline; then the colours (the application's palette among
    // them) and the LED text; then the transparent colour. A picture that cannot be read throws "Bitmap image is not valid",
    // one smaller than the host's smallestPicture() "The picture is too small:
    // ...", before anything has changed.
    void ApplySkin(bool reloadPicture);
    // True once a skin was applied to the windows: a window made later takes it
    // too; before, every window keeps its own composed look.
    bool skinApplied() const { return m_skinApplied; }

    // The skin in use: this window's fields and the main window's control places.
    TSkin currentSkin() const;
    // Puts a skin into the fields and the main window's control places (each
    // shown within reach of the window). Applies nothing.
    void setSkin(const TSkin &skin);
    // LoadSkinFile into the skin in use: no file, no change; a bad line throws
    // after the lines before it have been put in place. Applies nothing.
    void loadSkin(const QString &path);
    // SaveSkinFile of the skin in use; an empty picture field becomes "default".
    void saveSkin(const QString &path);

    // Handlers
    void VrDemoButtonActiveClick();
    void VrDemoButtonPassiveClick();
    void VrDemoButtonPopUpClick();
    void VrDemoButtonWActiveClick();
    void VrDemoButtonWPassiveClick();
    void VrDemoButtonTextClick();
    void VrDemoButtonMouseOverClick();
    void VrDemoButtonTransClick();
    void VrDemoButtonBackgroundClick();
    void VrDemoButtonLoadSkinClick();
    void VrDemoButtonSaveSkinClick();
    void VrDemoButtonExitSkinClick();

private:
    QWidget *mainWindow() const;
    // Runs ColorDialogSkin; false when cancelled.
    bool chooseColor(TColor &chosen);
    void colourButton(TSkinSwatch *swatch);
    // Hides or shows the designer without ending its modal showing.
    void setShown(bool shown);
    // Applies with the picture reloaded, then brings the main window up behind
    // the designer. A picture that is refused puts the skin before back.
    void reshape(const TSkin &before);
    // The designer's own controls that a skin colours.
    TSkinColourTable ownColourTable();

    TSkinHost *m_host = nullptr;
    TColor m_lastChosenColor = clBlack;
    bool m_skinApplied = false;
};
