#pragma once
// The auxiliary windows of the program. Each is created once at start-up and
// shown modally from the main window.

#include "editstationform.h"
#include "historyform.h"
#include "optionsform.h"
#include "skinform.h"
#include "vrborderlessform.h"

class TBandForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TBandForm(QWidget *parent = nullptr);
};

class TAboutForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);
};
