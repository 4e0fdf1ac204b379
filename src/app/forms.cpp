#include "forms.h"

TBandForm::TBandForm(QWidget *parent) : TBorderlessForm(QSize(238, 387), parent)
{
    setObjectName(QStringLiteral("BandForm"));
}

TSkinForm::TSkinForm(QWidget *parent) : TBorderlessForm(QSize(290, 430), parent)
{
    setObjectName(QStringLiteral("SkinForm"));
}

TAboutForm::TAboutForm(QWidget *parent) : TBorderlessForm(QSize(553, 420), parent)
{
    setObjectName(QStringLiteral("AboutForm"));
}
