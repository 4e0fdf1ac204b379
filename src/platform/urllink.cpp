#include "urllink.h"

#include "desktoplauncher.h"
#include "errors.h"

TUrlLink::TUrlLink(QObject *parent, const QString &url) : QObject(parent), Url(url) {}

void TUrlLink::Open()
{
    if (!desktopLauncher().openUrl(Url))
        throw Exception(QStringLiteral("Couldn't launch default browser"));
}
