#include "app/skintargets.h"

#include "app/forms.h"
#include "app/mainform.h"
#include "app/startup.h"
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
    TVrFormShape *shape = main->VrMainFormShape;
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
        m_windows.MainForm->VrMainFormShape->setMaskColor(colour);
}

void TSkinTargets::setLedText(const QString &text)
{
    if (m_windows.MainForm)
        m_windows.MainForm->VrMatrixConn->setText(text);
}

TSkinColourTable TSkinTargets::colourTable()
{
    using C = TSkinColour;
    TSkinColourTable t;
    TBandForm *band = m_windows.BandForm.get();
    THistoryForm *history = m_windows.HistoryForm.get();
    TEditStationForm *editor = m_windows.EditStationForm.get();
    TOptionsForm *options = m_windows.OptionsForm.get();

    // The pop-up windows: titles and input fields, labels, their panel.
    if (band) {
        t.text(C::Active, band->LabelStationBand);
        t.text(C::Active, band->EditNewStationBand);
        t.text(C::Passive, band->ListBoxBands);
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

    if (TMainForm *main = m_windows.MainForm.get()) {
        // The displays: lit segments in the window active colour, unlit ones in
        // the window passive colour.
        t.display(main->VrNumVolume);
        t.display(main->VrNumBlock);
        t.display(main->VrScrollBarPlayer1);
        t.display(main->VrNumSize);
        for (TVrClock *c : {main->VrClockReal, main->VrClockstposition, main->VrClockDuration, main->VrClockRecPos})
            t.display(c);

        // Window active colour: the value texts and the LED matrix.
        t.high(C::WindowActive, main->VrMatrixConn);
        t.enter(C::WindowActive, main->VrDemoButtonMixer);
        t.leave(C::WindowActive, main->VrDemoButtonMixer);
        t.add(C::WindowActive, [s = main->VrScaledb](const QColor &c) { s->setFontColor(c); });
        t.text(C::WindowActive, main->LabelDB);
        t.high(C::WindowActive, main->VrSpinnerStation);
        for (TVrDemoButton *b : {main->VrDemoButtonBand, main->VrDemoButtonHistory}) {
            t.enter(C::WindowActive, b);
            t.leave(C::WindowActive, b);
        }
        for (QLabel *l : {main->LabelStation, main->Labelgenre, main->LabelBuffer, main->LabelBandwidth})
            t.text(C::WindowActive, l);
        for (TVrDemoButton *b : main->VrDemoButtonStation)
            t.enter(C::WindowActive, b);

        // Window passive colour: captions; the spinner's arrows take it whole,
        // lit and unlit.
        t.text(C::WindowPassive, main->LabelVol);
        t.text(C::WindowPassive, main->LabelSelectBlock);
        t.add(C::WindowPassive, [s = main->VrSpinnerStation](const QColor &c) { s->setPalette(TVrPalette{c, c}); });
        for (QLabel *l : {main->LabelStationName, main->LabelStationBand, main->LabelStationBuffer,
                          main->LabelStationBandwidth, main->LabelStationTime, main->LabelStationPosition,
                          main->LabelRecSize, main->LabelDuration, main->LabelPosition})
            t.text(C::WindowPassive, l);
        for (TVrDemoButton *b : main->VrDemoButtonStation)
            t.leave(C::WindowPassive, b);
    }

    // Button text and mouse-over: the push buttons of every window.
    std::vector<TVrDemoButton *> buttons;
    if (TMainForm *main = m_windows.MainForm.get())
        buttons.insert(buttons.end(), {main->VrDemoButtonUnplug, main->VrDemoButtonSkinMaker,
                                       main->VrDemoButtonOptions, main->VrDemoButtonBurn, main->VrDemoButtonExit});
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
