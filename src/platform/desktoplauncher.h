#pragma once
// Hand-offs to the desktop: opening an address in the user's default handler and
// starting another program. Both pass every argument as one argv entry of the
// started program and never go through a shell, so an address holding quotes,
// ";" or "$(...)" reaches the handler unchanged and runs nothing.

#include <QString>
#include <QStringList>

class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;
    // Opens a web or mailto: address, or a local file, in the desktop's handler
    // for it. False when the handler could not be started.
    virtual bool openUrl(const QString &url) = 0;
    // Starts a program with its arguments, detached from this process. False when
    // it could not be started.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
};

// The launcher in use: the desktop's unless a test installed another.
DesktopLauncher &desktopLauncher();
// Installs a replacement launcher (nullptr restores the desktop's); the caller
// keeps ownership.
void setDesktopLauncher(DesktopLauncher *replacement);

// The freedesktop.org way: "xdg-open <address>" picks the user's browser, mail
// program or file viewer.
class XdgDesktopLauncher : public DesktopLauncher {
public:
    bool openUrl(const QString &url) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;
};

// The first of the desktop's volume mixers found in PATH, started with its
// arguments; nothing happens when none is installed.
void openMixer();

// The manual to open: "sonaveo.chm" in currentDir when it exists, otherwise the
// HTML manual shipped with the program (appDir/manual/index.html for a build
// tree, appDir/../share/sonaveo/manual/index.html for an installation). Empty
// when there is none.
QString manualFile(const QString &currentDir, const QString &appDir);

// Opens the manual for the current directory and this program; a missing manual
// or a failed start is not reported.
void openManual();
