#pragma once
// The station editor: the name and stream URL of one preset. It has no cancel;
// whatever way it closes, the main window takes both fields back.

#include "widgets/vrborderlessform.h"

class QLabel;
class QLineEdit;
class TVrBlotter;
class TVrDemoButton;

// The four lines of examples under the URL field.
inline const QString kUrlExamples = QStringLiteral(
    "URL examples: \n"
    "ShoutCast: http://server:port (no pls files!)\n"
    "Windows Media: http://server/PublishingPoint\n"
    "or: http://server/filename.asx");

class TEditStationForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TEditStationForm(QWidget *parent = nullptr);

    TVrBlotter *VrBlotterStation = nullptr;
    QLabel *LabelEditStation = nullptr;
    TVrBlotter *VrBlotter15 = nullptr;
    QLabel *LabelSTName = nullptr;
    QLabel *LabelSTURL = nullptr;
    QLabel *LabelSTEx = nullptr;
    TVrBlotter *VrBlotter1 = nullptr;
    QLineEdit *EditStationName = nullptr;
    TVrBlotter *VrBlotter2 = nullptr;
    QLineEdit *EditStationURL = nullptr;
    TVrDemoButton *VrDemoButtonExit = nullptr;

    void VrDemoButtonExitClick();
};
