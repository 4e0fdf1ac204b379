#include "platform/urllink.h"

#include "platform/desktoplauncher.h"
#include "platform/errors.h"

TUrlLink::TUrlLink(QObject *parent, const QString &url) : QObject(parent), Url(url) {}

void TUrlLink::Open()
{
    if (!desktopLauncher().openUrl(Url))
        throw Exception(QStringLiteral("Couldn't launch default browser"));
}
