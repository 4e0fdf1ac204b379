#include "stations/editstationform.h"

#include "widgets/vrblotter.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"

#include <QLineEdit>

TEditStationForm::TEditStationForm(QWidget *parent) : TBorderlessForm(QSize(311, 245), parent)
{
    setObjectName(QStringLiteral("EditStationForm"));
    setWindowTitle(QStringLiteral("Edit Radio Station"));
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));

    // The window's panel carries the title only; it takes no input.
    VrBlotterStation = place<TVrBlotter>(this, "VrBlotterStation", 0, 0, 311, 245);
    VrBlotterStation->setMetal(true, true);
    VrBlotterStation->setColor(Qt::black);
    VrBlotterStation->setEnabled(false);
    const QFont title = vrFont(QStringLiteral("Arial"), 16, true);
    LabelEditStation = placeLabel(VrBlotterStation, "LabelEditStation", QStringLiteral("Edit Radio Station"),
                                  9, 8, toQColor(clAqua), 0, &title);

    VrBlotter15 = place<TVrBlotter>(this, "VrBlotter15", 8, 32, 293, 169);
    VrBlotter15->setColor(Qt::black);
    const QFont caption = vrFont(QStringLiteral("Arial"), 11, true);
    LabelSTName = placeLabel(VrBlotter15, "LabelSTName", QStringLiteral("Name (any name):"), 8, 8,
                             toQColor(clTeal), 0, &caption);
    LabelSTURL = placeLabel(VrBlotter15, "LabelSTURL", QStringLiteral("URL: "), 8, 53, toQColor(clTeal), 0,
                            &caption);
    LabelSTEx = placeLabel(VrBlotter15, "LabelSTEx", kUrlExamples, 8, 103, toQColor(clTeal), 0, &caption);
    LabelSTEx->setGeometry(8, 103, 250, 57);
    LabelSTEx->setFont(vrFont(QStringLiteral("Arial"), 10, true)); // four lines in 57 pixels

    VrBlotter1 = place<TVrBlotter>(VrBlotter15, "VrBlotter1", 6, 24, 280, 25);
    VrBlotter1->setColor(Qt::black);
    EditStationName = place<QLineEdit>(VrBlotter1, "EditStationName", 6, 5, 269, 16);
    styleLedEdit(EditStationName);
    EditStationName->setText(QStringLiteral("Empty"));

    VrBlotter2 = place<TVrBlotter>(VrBlotter15, "VrBlotter2", 6, 68, 280, 25);
    VrBlotter2->setColor(Qt::black);
    EditStationURL = place<QLineEdit>(VrBlotter2, "EditStationURL", 6, 5, 269, 16);
    styleLedEdit(EditStationURL);
    EditStationURL->setText(QStringLiteral("Empty"));

    VrDemoButtonExit = place<TVrDemoButton>(this, "VrDemoButtonExit", 194, 210, 106, 24);
    VrDemoButtonExit->setCursor(Qt::PointingHandCursor);
    styleButton(VrDemoButtonExit, QStringLiteral("Save and Exit"), caption, toQColor(clSilver),
                toQColor(clAqua), toQColor(clGray));
    connect(VrDemoButtonExit, &TVrDemoButton::OnClick, this, [this] { VrDemoButtonExitClick(); });
}

void TEditStationForm::VrDemoButtonExitClick() { accept(); }
