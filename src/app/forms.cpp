#include "forms.h"

TBandForm::TBandForm(QWidget *parent) : TBorderlessForm(QSize(238, 387), parent)
{
    setObjectName(QStringLiteral("BandForm"));
}

TAboutForm::TAboutForm(QWidget *parent) : TBorderlessForm(QSize(553, 420), parent)
{
    setObjectName(QStringLiteral("AboutForm"));
}
