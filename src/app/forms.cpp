#include "forms.h"

THistoryForm::THistoryForm(QWidget *parent) : TBorderlessForm(QSize(262, 293), parent)
{
    setObjectName(QStringLiteral("HistoryForm"));
}

TBandForm::TBandForm(QWidget *parent) : TBorderlessForm(QSize(238, 387), parent)
{
    setObjectName(QStringLiteral("BandForm"));
}

TOptionsForm::TOptionsForm(QWidget *parent) : TBorderlessForm(QSize(349, 202), parent)
{
    setObjectName(QStringLiteral("OptionsForm"));
}

TSkinForm::TSkinForm(QWidget *parent) : TBorderlessForm(QSize(290, 430), parent)
{
    setObjectName(QStringLiteral("SkinForm"));
}

TEditStationForm::TEditStationForm(QWidget *parent) : TBorderlessForm(QSize(311, 245), parent)
{
    setObjectName(QStringLiteral("EditStationForm"));
}

TAboutForm::TAboutForm(QWidget *parent) : TBorderlessForm(QSize(553, 420), parent)
{
    setObjectName(QStringLiteral("AboutForm"));
}
