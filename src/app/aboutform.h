#pragma once
// The About window: what the program is, its version, the maker's web addresses
// and the support e-mail as links, the manual and OK.

#include "widgets/vrborderlessform.h"

class QLabel;
class TClickLabel;
class TUrlLink;
class TVrBlotter;
class TVrDemoButton;

// The maker's addresses; the main window's brand picture opens the maker's site.
inline const QString kSonaveoWebSite = QStringLiteral("http://www.sonaveo.de");
inline const QString kMaroRadioWebSite = QStringLiteral("http://www.maro-radio.de");
inline const QString kMakerWebSite = QStringLiteral("http://www.maro-software.de");
inline const QString kForumWebSite = QStringLiteral("http://forum.sonaveo.de");
inline const QString kSupportMail = QStringLiteral("mailto:support@sonaveo.de");

class TAboutForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);

    TVrBlotter *VrBlotterAbout = nullptr;
    QLabel *LabelAbout = nullptr;
    TVrBlotter *VrBlotterInfo = nullptr;
    QLabel *ImageMaro = nullptr;
    QLabel *Label1 = nullptr; // program name
    QLabel *Label2 = nullptr; // version
    QLabel *Label4 = nullptr; // what the program does
    QLabel *LabelCopyright = nullptr;
    TVrBlotter *VrBlotterLinks = nullptr;
    QLabel *LabelHome = nullptr;
    QLabel *LabelRadio = nullptr;
    QLabel *LabelMaker = nullptr;
    QLabel *LabelForum = nullptr;
    QLabel *LabelSupport = nullptr;
    // The link labels; each caption is the address its link opens.
    TClickLabel *Label3 = nullptr;
    TClickLabel *Label5 = nullptr;
    TClickLabel *Label6 = nullptr;
    TClickLabel *Label7 = nullptr;
    TClickLabel *Label8 = nullptr;
    TVrDemoButton *VrDemoButtonManual = nullptr;
    TVrDemoButton *VrDemoButtonOK = nullptr;

    // The link components behind the labels of the same number.
    TUrlLink *UrlLink3 = nullptr;
    TUrlLink *UrlLink5 = nullptr;
    TUrlLink *UrlLink6 = nullptr;
    TUrlLink *UrlLink7 = nullptr;
    TUrlLink *UrlLink8 = nullptr;

    void Label3Click();
    void Label5Click();
    void Label6Click();
    void Label7Click();
    void Label8Click();
    void VrDemoButtonManualClick();
    void VrDemoButtonOKClick();
};
