#include "skin/skinfile.h"

#include "platform/errors.h"
#include "platform/textfile.h"
#include "skin/colornames.h"

#include <QFileInfo>
#include <QStringList>

TSkin DefaultSkin()
{
    TSkin skin;
    skin.Picture = QStringLiteral("default");
    skin.WindowActive = clAqua;
    skin.WindowPassive = clTeal;
    skin.LEDMatrix = QStringLiteral("MARO SONAVEO ONLINE!");
    skin.Active = clAqua;
    skin.Passive = clTeal;
    skin.PopUp = clBlack;
    skin.ButtonText = clSilver;
    skin.MouseOver = clWhite;
    skin.Transparent = clMaroon;
    // Where the main window composes its controls.
    skin.Places = {{
        {327, 16},  // VrMatrixConn
        {469, 9},   // VrBlotterMixer
        {290, 60},  // VrBlotterBand
        {290, 136}, // VrBlotterStation
        {290, 215}, // VrBlotterPlayback
        {480, 204}, // VrBlotterButtonSet
        {288, 285}, // VrDemoButtonStop
        {350, 285}, // VrDemoButtonRec
        {412, 285}, // VrDemoButtonStart
        {48, 66},   // VrDemoButtonStation1 ... 7
        {48, 108},
        {48, 150},
        {48, 192},
        {48, 235},
        {48, 277},
        {48, 319},
    }};
    return skin;
}

void LoadSkinFile(const QString &path, TSkin &skin)
{
    // Anything else in the file's place (a FIFO, a device, a foreign link) is
    // read and refused with a message, never taken for a missing file.
    if (!pathIsTaken(path) || QFileInfo(path).isDir())
        return;

    const QStringList lines = readTextLines(path);
    int next = 0;
    // A line past the end of the file reads as empty text, which no colour or
    // position accepts.
    auto line = [&] { return lines.value(next++); };
    // A line that does not convert names the file and its line number.
    auto colour = [&] {
        const QString text = line();
        return atLine(path, next, [&] { return StringToColor(text); });
    };
    auto number = [&] {
        const QString text = line();
        return atLine(path, next, [&] { return StrToInt(text); });
    };

    // Each value is stored as soon as its line converts, so a bad line leaves the
    // values before it in place.
    skin.Picture = line();
    skin.WindowActive = colour();
    skin.WindowPassive = colour();
    skin.LEDMatrix = line();
    skin.Active = colour();
    skin.Passive = colour();
    skin.PopUp = colour();
    skin.ButtonText = colour();
    skin.MouseOver = colour();
    skin.Transparent = colour();
    for (TSkinPlace &place : skin.Places) {
        place.Left = number();
        place.Top = number();
    }
}

void SaveSkinFile(const QString &path, TSkin &skin)
{
    if (skin.Picture.isEmpty())
        skin.Picture = QStringLiteral("default");

    QStringList lines = {
        skin.Picture,
        ColorToString(skin.WindowActive),
        ColorToString(skin.WindowPassive),
        skin.LEDMatrix,
        ColorToString(skin.Active),
        ColorToString(skin.Passive),
        ColorToString(skin.PopUp),
        ColorToString(skin.ButtonText),
        ColorToString(skin.MouseOver),
        ColorToString(skin.Transparent),
    };
    for (const TSkinPlace &place : skin.Places) {
        lines << QString::number(place.Left) << QString::number(place.Top);
    }
    writeTextLines(path.isEmpty() ? QStringLiteral("CurrentSkin.skn") : path, lines);
}
