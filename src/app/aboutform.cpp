#include "app/aboutform.h"

#include "app/artwork.h"
#include "platform/desktoplauncher.h"
#include "platform/errorguard.h"
#include "platform/urllink.h"
#include "widgets/clicklabel.h"
#include "widgets/vrblotter.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"

#include <algorithm>

namespace {
TVrBlotter *panel(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *p = place<TVrBlotter>(parent, name, left, top, width, height);
    p->setColor(Qt::black);
    return p;
}
} // namespace

TAboutForm::TAboutForm(QWidget *parent) : TBorderlessForm(QSize(553, 420), parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About Maro Sonaveo"));
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));

    // The window's panel carries the title only; it takes no input.
    VrBlotterAbout = panel(this, "VrBlotterAbout", 0, 0, 553, 420);
    VrBlotterAbout->setMetal(true, true);
    VrBlotterAbout->setAttribute(Qt::WA_TransparentForMouseEvents);
    const QFont title = vrFont(QStringLiteral("Arial"), 16, true);
    LabelAbout = placeLabel(VrBlotterAbout, "LabelAbout", QStringLiteral("About Maro Sonaveo"), 9, 8,
                            toQColor(clAqua), 0, &title);

    VrBlotterInfo = panel(this, "VrBlotterInfo", 8, 32, 537, 178);
    // Takes no clicks, yet shows its logo in full colour, not greyed as a
    // disabled panel would.
    VrBlotterInfo->setAttribute(Qt::WA_TransparentForMouseEvents);
    ImageMaro = place<QLabel>(VrBlotterInfo, "ImageMaro", 321, 14, 204, 24);
    // Shown at twice its size, each pixel repeated, at the screen's density so
    // that nothing enlarges it again with blurred edges.
    const QImage logo = artwork::logo();
    const int factor = std::max(1, qRound(2 * devicePixelRatioF()));
    QImage enlarged = logo.scaled(logo.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    enlarged.setDevicePixelRatio(factor / 2.0);
    ImageMaro->setPixmap(QPixmap::fromImage(enlarged));
    const QFont name = vrFont(QStringLiteral("Arial"), 22, true);
    Label1 = placeLabel(VrBlotterInfo, "Label1", QStringLiteral("Maro Sonaveo"), 12, 10, toQColor(clAqua), 0, &name);
    const QFont bold = vrFont(QStringLiteral("Arial"), 11, true);
    Label2 = placeLabel(VrBlotterInfo, "Label2", QStringLiteral("Version %1").arg(QLatin1String(SONAVEO_VERSION)), 14,
                        44, toQColor(clTeal), 0, &bold);
    const QFont text = vrFont(QStringLiteral("Arial"), 11);
    Label4 = placeLabel(VrBlotterInfo, "Label4",
                        QStringLiteral("Internet radio player and sound-card recorder. Seven station buttons on "
                                       "every block, a hundred blocks in every station band, the last eleven "
                                       "stations in the history, a WAVE PCM recorder with export, skins made "
                                       "in the skin designer and a main window you arrange by drag and drop."),
                        14, 70, toQColor(clSilver), 0, &text);
    Label4->setWordWrap(true);
    Label4->setGeometry(14, 70, 509, 60);
    LabelCopyright = placeLabel(VrBlotterInfo, "LabelCopyright",
                                QStringLiteral("Copyright \u00A9 Maro Software. Streams and recording by "
                                               "GStreamer, windows by Qt."),
                                14, 146, QColor(160, 160, 160), 0, &text);

    VrBlotterLinks = panel(this, "VrBlotterLinks", 8, 218, 537, 158);
    struct Link {
        QLabel **caption;
        const char *captionName;
        const char *captionText;
        TClickLabel **label;
        const char *labelName;
        TUrlLink **link;
        const char *linkName;
        const QString &url;
        void (TAboutForm::*handler)();
    };
    const Link links[] = {
        {&LabelHome, "LabelHome", "Sonaveo home page:", &Label3, "Label3", &UrlLink3, "UrlLink3", kSonaveoWebSite,
         &TAboutForm::Label3Click},
        {&LabelRadio, "LabelRadio", "Maro Radio Network:", &Label5, "Label5", &UrlLink5, "UrlLink5",
         kMaroRadioWebSite, &TAboutForm::Label5Click},
        {&LabelMaker, "LabelMaker", "Maro Software:", &Label6, "Label6", &UrlLink6, "UrlLink6", kMakerWebSite,
         &TAboutForm::Label6Click},
        {&LabelForum, "LabelForum", "Listeners' forum:", &Label7, "Label7", &UrlLink7, "UrlLink7", kForumWebSite,
         &TAboutForm::Label7Click},
        {&LabelSupport, "LabelSupport", "Support e-mail:", &Label8, "Label8", &UrlLink8, "UrlLink8", kSupportMail,
         &TAboutForm::Label8Click},
    };
    QFont linkFont = bold;
    linkFont.setUnderline(true);
    int top = 14;
    for (const Link &l : links) {
        *l.caption = placeLabel(VrBlotterLinks, l.captionName, QLatin1String(l.captionText), 14, top,
                                toQColor(clTeal), 0, &bold);
        auto *label = place<TClickLabel>(VrBlotterLinks, l.labelName, 160, top, 0, 0);
        label->setFont(linkFont);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, toQColor(clAqua));
        label->setPalette(pal);
        label->setText(l.url);
        label->adjustSize();
        label->setCursor(Qt::PointingHandCursor);
        connect(label, &TClickLabel::OnClick, this, [this, handler = l.handler] {
            guarded([this, handler] { (this->*handler)(); });
        });
        *l.label = label;
        *l.link = new TUrlLink(this, l.url);
        (*l.link)->setObjectName(QLatin1String(l.linkName));
        top += 28;
    }

    const QFont caption = vrFont(QStringLiteral("Arial"), 11, true);
    VrDemoButtonManual = place<TVrDemoButton>(this, "VrDemoButtonManual", 323, 386, 106, 24);
    VrDemoButtonOK = place<TVrDemoButton>(this, "VrDemoButtonOK", 439, 386, 106, 24);
    styleButton(VrDemoButtonManual, QStringLiteral("Sonaveo Manual"), caption, toQColor(clSilver), toQColor(clAqua),
                toQColor(clGray));
    styleButton(VrDemoButtonOK, QStringLiteral("OK"), caption, toQColor(clSilver), toQColor(clAqua),
                toQColor(clGray));
    for (TVrDemoButton *b : {VrDemoButtonManual, VrDemoButtonOK})
        b->setCursor(Qt::PointingHandCursor);
    connect(VrDemoButtonManual, &TVrDemoButton::OnClick, this, [this] { guarded([this] { VrDemoButtonManualClick(); }); });
    connect(VrDemoButtonOK, &TVrDemoButton::OnClick, this, [this] { VrDemoButtonOKClick(); });
}

void TAboutForm::Label3Click() { UrlLink3->Open(); }
void TAboutForm::Label5Click() { UrlLink5->Open(); }
void TAboutForm::Label6Click() { UrlLink6->Open(); }
void TAboutForm::Label7Click() { UrlLink7->Open(); }
void TAboutForm::Label8Click() { UrlLink8->Open(); }

void TAboutForm::VrDemoButtonManualClick() { openManual(); }

void TAboutForm::VrDemoButtonOKClick() { accept(); }
