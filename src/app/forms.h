#pragma once
// The auxiliary windows of the program. Each is created once at start-up and
// shown modally from the main window.

#include "aboutform.h"
#include "bandform.h"
#include "editstationform.h"
#include "historyform.h"
#include "optionsform.h"
#include "vrborderlessform.h"

class TSkinForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TSkinForm(QWidget *parent = nullptr);
};
