#include "app/skintargets.h"

#include "app/forms.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "skin/skinpalette.h"
#include "widgets/keyboardfocusframe.h"
#include "widgets/vrblotter.h"
#include "widgets/vrclock.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrformshape.h"
#include "widgets/vrmatrix.h"
#include "widgets/vrnum.h"
#include "widgets/vrscale.h"
#include "widgets/vrslider.h"
#include "widgets/vrspinner.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

QWidget *TSkinTargets::mainWindow() { return m_windows.MainForm.get(); }

QPoint TSkinTargets::movablePlace(int n) const
{
    return m_windows.MainForm ? m_windows.MainForm->movablePlace(n) : QPoint();
}

void TSkinTargets::setMovablePlace(int n, QPoint place)
{
    if (m_windows.MainForm)
        m_windows.MainForm->setMovablePlace(n, place);
}

QSize TSkinTargets::smallestPicture() const
{
    return m_windows.MainForm ? m_windows.MainForm->smallestPicture() : QSize();
}

void TSkinTargets::takePicture(const QImage &picture)
{
    TMainForm *main = m_windows.MainForm.get();
    if (!main)
        return;
    TVrFormShape *shape = main->ui().VrMainFormShape;
    // Long after the window was made: a new picture is always scanned.
    shape->Loaded();
    main->setFixedSize(picture.size());
    shape->setGeometry(0, 0, picture.width(), picture.height());
    shape->setMask(picture);
    main->showMovables();
}

void TSkinTargets::setTransparentColour(TColor colour)
{
    if (m_windows.MainForm)
        m_windows.MainForm->ui().VrMainFormShape->setMaskColor(colour);
}

void TSkinTargets::setLedText(const QString &text)
{
    if (m_windows.MainForm)
        m_windows.MainForm->ui().VrMatrixConn->setText(text);
}

TSkinColourTable TSkinTargets::colourTable(const QWidget *only)
{
    using C = TSkinColour;
    TSkinColourTable t;
    // The windows that exist; the others take the skin as they are made.
    const auto pick = [only](auto *window) { return !only || window == only ? window : nullptr; };
    TBandForm *band = pick(m_windows.BandForm.get());
    THistoryForm *history = pick(m_windows.HistoryForm.get());
    TEditStationForm *editor = pick(m_windows.EditStationForm.get());
    TOptionsForm *options = pick(m_windows.OptionsForm.get());
    TMainForm *mainForm = pick(m_windows.MainForm.get());

    // The pop-up windows: titles and input fields, labels, their panel.
    if (band) {
        t.text(C::Active, band->LabelStationBand);
        t.text(C::Active, band->EditNewStationBand);
        t.text(C::Passive, band->ListBoxBands);
        // The list keeps its black well; its highlight and scroll bar take the
        // colour of its names.
        t.add(C::Passive, [list = band->ListBoxBands](const QColor &c) {
            QPalette pal = listPalette(list->palette().color(QPalette::Base), c);
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                    pal.setColor(group, role, c);
            if (list->palette() != pal)
                list->setPalette(pal);
        });
        t.text(C::Passive, band->LabelAddGenre);
        t.add(C::PopUp, [p = band->VrBlotterBands](const QColor &c) { p->setColor(c); });
    }
    if (editor) {
        for (QWidget *w : {static_cast<QWidget *>(editor->LabelEditStation),
                           static_cast<QWidget *>(editor->EditStationName),
                           static_cast<QWidget *>(editor->EditStationURL)})
            t.text(C::Active, w);
        for (QLabel *l : {editor->LabelSTName, editor->LabelSTURL, editor->LabelSTEx})
            t.text(C::Passive, l);
        t.add(C::PopUp, [p = editor->VrBlotterStation](const QColor &c) { p->setColor(c); });
    }
    if (history) {
        t.text(C::Active, history->LabelHistory);
        for (TVrDemoButton *b : history->VrDemoButtonHis) {
            t.enter(C::Active, b);
            t.leave(C::Passive, b);
        }
        t.add(C::PopUp, [p = history->VrBlotterHistory](const QColor &c) { p->setColor(c); });
    }
    if (options) {
        for (QWidget *w : {static_cast<QWidget *>(options->LabelOptions), static_cast<QWidget *>(options->FormatBox),
                           static_cast<QWidget *>(options->DriverBox),
                           static_cast<QWidget *>(options->DirectoryEditLogger),
                           static_cast<QWidget *>(options->DirectoryEditLogger->Edit)})
            t.text(C::Active, w);
        for (QLabel *l : {options->LabelRecFormat, options->LabelRecDriver, options->LabelTempFile})
            t.text(C::Passive, l);
        t.add(C::PopUp, [p = options->VrBlotterOptions](const QColor &c) { p->setColor(c); });
    }

    if (TMainForm *main = mainForm) {
        // The displays: lit segments in the window active colour, unlit ones in
        // the window passive colour.
        t.display(main->ui().VrNumVolume);
        t.display(main->ui().VrNumBlock);
        t.display(main->ui().VrScrollBarPlayer1);
        t.display(main->ui().VrNumSize);
        for (TVrClock *c : {main->ui().VrClockReal, main->ui().VrClockstposition, main->ui().VrClockDuration, main->ui().VrClockRecPos})
            t.display(c);

        // Window active colour: the value texts and the LED matrix.
        t.high(C::WindowActive, main->ui().VrMatrixConn);
        t.enter(C::WindowActive, main->ui().VrDemoButtonMixer);
        t.leave(C::WindowActive, main->ui().VrDemoButtonMixer);
        t.add(C::WindowActive, [s = main->ui().VrScaledb](const QColor &c) { s->setFontColor(c); });
        t.text(C::WindowActive, main->ui().LabelDB);
        t.high(C::WindowActive, main->ui().VrSpinnerStation);
        for (TVrDemoButton *b : {main->ui().VrDemoButtonBand, main->ui().VrDemoButtonHistory}) {
            t.enter(C::WindowActive, b);
            t.leave(C::WindowActive, b);
        }
        for (QLabel *l : {main->ui().LabelStation, main->ui().Labelgenre, main->ui().LabelBuffer, main->ui().LabelBandwidth})
            t.text(C::WindowActive, l);
        for (TVrDemoButton *b : main->ui().VrDemoButtonStation)
            t.enter(C::WindowActive, b);

        // Window passive colour: captions; the spinner's arrows take it whole,
        // lit and unlit.
        t.text(C::WindowPassive, main->ui().LabelVol);
        t.text(C::WindowPassive, main->ui().LabelSelectBlock);
        t.add(C::WindowPassive, [s = main->ui().VrSpinnerStation](const QColor &c) { s->setPalette(TVrPalette{c, c}); });
        for (QLabel *l : {main->ui().LabelStationName, main->ui().LabelStationBand, main->ui().LabelStationBuffer,
                          main->ui().LabelStationBandwidth, main->ui().LabelStationTime, main->ui().LabelStationPosition,
                          main->ui().LabelRecSize, main->ui().LabelDuration, main->ui().LabelPosition})
            t.text(C::WindowPassive, l);
        for (TVrDemoButton *b : main->ui().VrDemoButtonStation)
            t.leave(C::WindowPassive, b);
        // The recorder's buttons keep their composed colours; only the frame
        // that shows the keyboard focus is the window's.
        for (TVrDemoButton *b :
             {main->ui().VrDemoButtonStop, main->ui().VrDemoButtonRec, main->ui().VrDemoButtonStart})
            t.focus(C::WindowActive, b);
        t.add(C::WindowActive, [f = main->ui().KeyboardFocusFrame](const QColor &c) { f->setColor(c); });
        // The window's menus: its own colours on the pop-up colour.
        t.whole([main](const TSkin &skin) { main->setMenuPalette(mainWindowMenuPalette(skin)); });
    }

    // Button text and mouse-over: the push buttons of every window.
    std::vector<TVrDemoButton *> buttons;
    if (TMainForm *main = mainForm)
        buttons.insert(buttons.end(), {main->ui().VrDemoButtonUnplug, main->ui().VrDemoButtonSkinMaker,
                                       main->ui().VrDemoButtonOptions, main->ui().VrDemoButtonBurn, main->ui().VrDemoButtonExit});
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
    for (TVrDemoButton *b : buttons) {
        t.leave(C::ButtonText, b);
        t.enter(C::MouseOver, b);
    }
    return t;
}
