// Captions of every window read whole: no text is cut off at its ends or runs
// into the control beside it. A caption longer than its place counts as whole
// when it ends in "…" and its tooltip tells the rest. ctest runs these tests
// twice: with the fonts the program ships with, and on a desktop that has only
// the DejaVu faces (tests/fonts/dejavu-only.conf), which are wider than the
// faces the windows were laid out with.

#include "app/forms.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "widgets/elidedcaption.h"
#include "widgets/vranimate.h"
#include "widgets/vrblotter.h"
#include "widgets/vrclock.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrmatrix.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"
#include "widgets/vrspinner.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sstream>

namespace {

const QString kEllipsis = QStringLiteral("\u2026");

// One caption as a user reads it: the whole text, where it is drawn in its
// window, and whether it reads whole or why not.
struct Caption {
    QWidget *widget = nullptr;
    QString text;
    QRect textRect; // in window coordinates
    QString problem; // empty when the caption reads whole
};

QString nameOf(const QWidget *w) { return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName(); }

// The place a text of the given size takes inside room with the alignment,
// clipped to room, as QPainter::drawText places it.
QRect placed(const QRect &room, QSize text, Qt::Alignment alignment)
{
    text = text.boundedTo(room.size());
    int x = room.left();
    if (alignment & Qt::AlignRight)
        x = room.right() + 1 - text.width();
    else if (alignment & Qt::AlignHCenter)
        x = room.left() + (room.width() - text.width()) / 2;
    int y = room.top();
    if (alignment & Qt::AlignBottom)
        y = room.bottom() + 1 - text.height();
    else if (alignment & Qt::AlignVCenter)
        y = room.top() + (room.height() - text.height()) / 2;
    return {QPoint(x, y), text};
}

// A text too long for its place is fine only shortened with "…" and told whole
// in the tooltip.
QString shortenedProblem(const QWidget *w, const QString &whole, const QString &shown)
{
    if (!shown.endsWith(kEllipsis))
        return QStringLiteral("is cut off: \"%1\" is drawn as \"%2\"").arg(whole, shown);
    if (w->toolTip() != whole)
        return QStringLiteral("is shortened to \"%1\" but its tooltip is \"%2\"").arg(shown, w->toolTip());
    return {};
}

// Whether the letters of one line of text lose their tops or bottoms in room: the
// line is placed as QPainter::drawText places it, and its ink is measured.
QString inkCutVertically(const QFontMetrics &fm, const QString &text, const QRect &room, Qt::Alignment alignment)
{
    int top = room.top();
    if (alignment & Qt::AlignBottom)
        top = room.bottom() + 1 - fm.height();
    else if (alignment & Qt::AlignVCenter)
        top = room.top() + (room.height() - fm.height()) / 2;
    const QRect ink = fm.tightBoundingRect(text).translated(0, top + fm.ascent());
    if (ink.top() < room.top() || ink.bottom() > room.bottom())
        return QStringLiteral("has its letters cut: they take rows %1 to %2 of %3 to %4")
            .arg(ink.top()).arg(ink.bottom()).arg(room.top()).arg(room.bottom());
    return {};
}

Caption labelCaption(QWidget *window, QLabel *l)
{
    Caption c{l, l->text(), {}, {}};
    const QFontMetrics fm(l->font());
    const QRect room = l->contentsRect();
    const bool lines = l->wordWrap() || l->text().contains(u'\n');
    if (lines) {
        const QRect used = fm.boundingRect(room, int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0),
                                           l->text());
        if (used.width() > room.width() || used.height() > room.height())
            c.problem = QStringLiteral("needs %1 x %2 pixels, has %3 x %4")
                            .arg(used.width()).arg(used.height()).arg(room.width()).arg(room.height());
        c.textRect = placed(room, used.size(), l->alignment());
    } else {
        const int width = fm.horizontalAdvance(l->text());
        if (width > room.width()) {
            auto *eliding = qobject_cast<TElidingLabel *>(l);
            c.problem = eliding ? shortenedProblem(l, l->text(), eliding->shownText())
                                : QStringLiteral("needs %1 pixels, has %2").arg(width).arg(room.width());
        } else {
            c.problem = inkCutVertically(fm, l->text(), room, l->alignment());
        }
        c.textRect = placed(room, QSize(width, fm.height()), l->alignment());
    }
    c.textRect.translate(l->mapTo(window, QPoint(0, 0)));
    return c;
}

Caption buttonCaption(QWidget *window, TVrDemoButton *b)
{
    Caption c{b, withoutMnemonics(b->Caption()), {}, {}};
    const QFontMetrics fm(b->currentFont().Font);
    const QRect room = b->captionRect();
    const int width = fm.horizontalAdvance(c.text);
    if (width > room.width())
        c.problem = shortenedProblem(b, c.text, withoutMnemonics(b->shownCaption()));
    else
        c.problem = inkCutVertically(fm, c.text, room, Qt::AlignCenter);
    c.textRect = placed(room, QSize(width, fm.height()), Qt::AlignCenter).translated(b->mapTo(window, QPoint(0, 0)));
    return c;
}

Caption comboCaption(QWidget *window, QComboBox *box)
{
    Caption c{box, box->currentText(), {}, {}};
    auto *eliding = qobject_cast<TElidingComboBox *>(box);
    const QString shown = eliding ? eliding->shownText() : box->currentText();
    if (shown != c.text)
        c.problem = shortenedProblem(box, c.text, shown);
    else if (!eliding && QFontMetrics(box->font()).horizontalAdvance(c.text) > box->width() - 20)
        c.problem = QStringLiteral("may be cut off: the box does not shorten its entry");
    c.textRect = QRect(box->mapTo(window, QPoint(0, 0)), box->size());
    return c;
}

// Every caption shown in window: labels, buttons and the closed drop-down lists.
QList<Caption> captionsOf(QWidget *window)
{
    // Painting keeps the tooltips of shortened captions up to date.
    (void)window->grab();
    QList<Caption> all;
    for (QLabel *l : window->findChildren<QLabel *>())
        if (l->isVisibleTo(window) && !l->text().isEmpty())
            all.append(labelCaption(window, l));
    for (TVrDemoButton *b : window->findChildren<TVrDemoButton *>())
        if (b->isVisibleTo(window) && !b->Caption().isEmpty())
            all.append(buttonCaption(window, b));
    for (QComboBox *box : window->findChildren<QComboBox *>())
        if (box->isVisibleTo(window) && !box->currentText().isEmpty())
            all.append(comboCaption(window, box));
    return all;
}

// Controls that fill their whole rectangle: a caption's text must stay off them.
bool fillsItsRectangle(const QWidget *w)
{
    return qobject_cast<const TVrNum *>(w) || qobject_cast<const TVrClock *>(w) || qobject_cast<const TVrMatrix *>(w) ||
           qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w) ||
           qobject_cast<const TVrDemoButton *>(w) || qobject_cast<const QAbstractItemView *>(w) ||
           qobject_cast<const TVrSlider *>(w) || qobject_cast<const TVrSpinner *>(w) ||
           qobject_cast<const TVrAnimate *>(w) || qobject_cast<const TVrBlotter *>(w);
}

// What is wrong with the captions of one window, one line each; empty when all
// read whole and apart.
std::string captionProblems(QWidget *window)
{
    std::ostringstream out;
    const QList<Caption> captions = captionsOf(window);
    for (const Caption &c : captions)
        if (!c.problem.isEmpty())
            out << nameOf(c.widget).toStdString() << " " << c.problem.toStdString() << "\n";

    for (qsizetype i = 0; i < captions.size(); ++i) {
        const Caption &a = captions[i];
        QWidget *parent = a.widget->parentWidget();
        for (qsizetype j = i + 1; j < captions.size(); ++j) {
            const Caption &b = captions[j];
            if (b.widget->parentWidget() == parent && a.textRect.intersects(b.textRect))
                out << "the texts of " << nameOf(a.widget).toStdString() << " and " << nameOf(b.widget).toStdString()
                    << " overlap\n";
        }
        // The text of a label next to a display, field or button stays off it.
        if (!qobject_cast<QLabel *>(a.widget))
            continue;
        for (QObject *o : parent->children()) {
            auto *sibling = qobject_cast<QWidget *>(o);
            if (!sibling || sibling == a.widget || !sibling->isVisibleTo(window) || !fillsItsRectangle(sibling))
                continue;
            const QRect r(sibling->mapTo(window, QPoint(0, 0)), sibling->size());
            if (a.textRect.intersects(r))
                out << "the text of " << nameOf(a.widget).toStdString() << " runs into "
                    << nameOf(sibling).toStdString() << "\n";
        }
    }
    return out.str();
}

// Every window of the program in a data folder of its own.
class CaptionFit : public ::testing::Test {
protected:
    void SetUp() override
    {
        createWindows(windows);
        windows.about();
        windows.MainForm->ui().TimerSonaveo->stop();
        windows.MainForm->setDataDirectory(dir.path());
        windows.MainForm->skipFirstLoading();
    }
    QList<QWidget *> allWindows() const
    {
        return {windows.MainForm.get(),   windows.SkinForm.get(),    windows.EditStationForm.get(),
                windows.BandForm.get(),   windows.HistoryForm.get(), windows.OptionsForm.get(),
                windows.AboutForm.get()};
    }

    FakePlatform fake;
    FakeDialogs dialogs;
    QTemporaryDir dir;
    TApplicationWindows windows;
};

const QString kLongStation = QStringLiteral("Deutschlandfunk Kultur - Klassik, Jazz und Hörspiel");

} // namespace

// The layout's faces are asked for by name; a desktop without them gets a
// stand-in narrowed to their widths.
TEST_F(CaptionFit, TheWindowsAskForLiberationSansAndNarrowAWiderStandIn)
{
    const QFont f = vrFont(QStringLiteral("Arial"), 11, true);
    EXPECT_EQ(f.families().value(0), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(QFontInfo(windows.MainForm->font()).family(), QFontInfo(f).family());
    if (QFontDatabase::hasFamily(QStringLiteral("Liberation Sans"))) {
        EXPECT_EQ(QFontInfo(f).family(), QStringLiteral("Liberation Sans"));
        EXPECT_EQ(f.stretch(), 100);
    } else {
        EXPECT_LT(f.stretch(), 100) << QFontInfo(f).family().toStdString();
    }
}

TEST_F(CaptionFit, NoCaptionOfAnyWindowIsCutOffOrRunsIntoAnother)
{
    for (QWidget *w : allWindows()) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w)) << nameOf(w).toStdString();
        EXPECT_EQ(captionProblems(w), "") << "in " << nameOf(w).toStdString() << " with "
                                          << QFontInfo(w->font()).family().toStdString();
        w->hide();
    }
}

// A station's name as it comes from a stream is often longer than its button;
// so is the name of a sound card.
TEST_F(CaptionFit, LongNamesAreShortenedAtTheEndAndToldWholeInTheTooltip)
{
    TMainForm *main = windows.MainForm.get();
    main->ui().VrDemoButtonStation[0]->setCaption(kLongStation);
    main->ui().VrDemoButtonStation[1]->setCaption(QStringLiteral("Radio Eins"));
    setCaptionText(main->ui().LabelStation, kLongStation);
    windows.HistoryForm->VrDemoButtonHis[0]->setCaption(kLongStation);
    QComboBox *drivers = windows.OptionsForm->DriverBox;
    drivers->addItem(QStringLiteral("Primary Sound Capture Driver (Monitor of Built-in Audio Analog Stereo)"));
    for (QWidget *w : {static_cast<QWidget *>(main), static_cast<QWidget *>(windows.HistoryForm.get()),
                       static_cast<QWidget *>(windows.OptionsForm.get())}) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        EXPECT_EQ(captionProblems(w), "") << "in " << nameOf(w).toStdString();
    }

    // The button shows the start of the name up to "…", inside its frame.
    TVrDemoButton *button = main->ui().VrDemoButtonStation[0];
    const QString shown = button->shownCaption();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Deutschlandfunk Kultur"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(kEllipsis)) << shown.toStdString();
    EXPECT_LE(QFontMetrics(button->currentFont().Font).horizontalAdvance(shown), button->captionRect().width());
    EXPECT_EQ(button->toolTip(), kLongStation);
    // A short name reads whole and needs no tooltip.
    EXPECT_EQ(main->ui().VrDemoButtonStation[1]->shownCaption(), QStringLiteral("Radio Eins"));
    EXPECT_TRUE(main->ui().VrDemoButtonStation[1]->toolTip().isEmpty());
    // The name changes while the pointer rests on the button: the tooltip it
    // brings up tells no stale name.
    button->setCaption(QStringLiteral("Radio Eins"));
    QHelpEvent hover(QEvent::ToolTip, button->rect().center(), button->mapToGlobal(button->rect().center()));
    QApplication::sendEvent(button, &hover);
    EXPECT_TRUE(button->toolTip().isEmpty());

    // The station label keeps the whole name as its text: the recorder and the
    // history read it back from there.
    EXPECT_EQ(main->ui().LabelStation->text(), kLongStation);
    auto *label = qobject_cast<TElidingLabel *>(main->ui().LabelStation);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->shownText().endsWith(kEllipsis));
    EXPECT_EQ(label->toolTip(), kLongStation);
    setCaptionText(main->ui().LabelStation, QStringLiteral("none"));
    (void)main->grab();
    EXPECT_EQ(label->shownText(), QStringLiteral("none"));
    EXPECT_TRUE(label->toolTip().isEmpty());

    auto *box = qobject_cast<TElidingComboBox *>(drivers);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->shownText().startsWith(QStringLiteral("Primary Sound Capture"))) << box->shownText().toStdString();
    EXPECT_TRUE(box->shownText().endsWith(kEllipsis));
    EXPECT_EQ(box->toolTip(), drivers->currentText());
}
