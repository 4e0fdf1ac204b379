#pragma once
// A web link placed on a window: the address it opens and how the browser's window
// is to be shown. Opening hands the address to the desktop's default handler
// (web pages and mailto: addresses alike).

#include <QObject>
#include <QString>

#include <array>

enum TUrlShowCmd {
    ssHide,
    ssMaximize,
    ssMinimize,
    ssRestore,
    ssShow,
    ssShowNoActivate,
    ssShowDefault,
    ssShowMaximized,
    ssShowMinimized,
    ssShowMinNoActivate,
    ssShowNA,
    ssShowNormal,
};

// Each value with the window-show number it stands for (the numbers of the
// Win32 SW_ constants, which skins and settings of the Windows version use).
struct TUrlShowCmdEntry {
    TUrlShowCmd value;
    const char *name;
    int showCommand;
};

inline constexpr std::array<TUrlShowCmdEntry, 12> kUrlShowCommands{{
    {ssHide, "ssHide", 0},
    {ssMaximize, "ssMaximize", 3},
    {ssMinimize, "ssMinimize", 6},
    {ssRestore, "ssRestore", 9},
    {ssShow, "ssShow", 5},
    {ssShowNoActivate, "ssShowNoActivate", 4},
    {ssShowDefault, "ssShowDefault", 10},
    {ssShowMaximized, "ssShowMaximized", 3},
    {ssShowMinimized, "ssShowMinimized", 2},
    {ssShowMinNoActivate, "ssShowMinNoActivate", 7},
    {ssShowNA, "ssShowNA", 8},
    {ssShowNormal, "ssShowNormal", 1},
}};

constexpr int showCommandOf(TUrlShowCmd command) { return kUrlShowCommands[size_t(command)].showCommand; }

class TUrlLink : public QObject {
    Q_OBJECT
public:
    explicit TUrlLink(QObject *parent = nullptr, const QString &url = QString());

    QString Url;
    // The desktop's handler decides how its window appears; the value is kept
    // with the link.
    TUrlShowCmd UrlShowCommand = ssShowDefault;

    // Opens Url in the default handler; throws Exception "Couldn't launch default
    // browser" when the handler cannot be started.
    void Open();
};
