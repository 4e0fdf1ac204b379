#include "forms.h"

TSkinForm::TSkinForm(QWidget *parent) : TBorderlessForm(QSize(290, 430), parent)
{
    setObjectName(QStringLiteral("SkinForm"));
}
