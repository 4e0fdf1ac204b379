// Skin files on disk, byte for byte, and colours and integers as skin files
// write and read them.

#include "filebytes.h"
#include "platform/errors.h"
#include "qtprinters.h"
#include "skin/colornames.h"
#include "skin/skinfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The file a fresh installation writes on its first exit.
const QByteArray kFreshSkinFile =
    "default\r\nclAqua\r\nclTeal\r\nMARO SONAVEO ONLINE!\r\nclAqua\r\nclTeal\r\nclBlack\r\n"
    "clSilver\r\nclWhite\r\nclMaroon\r\n"
    "327\r\n16\r\n469\r\n9\r\n290\r\n60\r\n290\r\n136\r\n290\r\n215\r\n480\r\n204\r\n"
    "288\r\n285\r\n350\r\n285\r\n412\r\n285\r\n"
    "48\r\n66\r\n48\r\n108\r\n48\r\n150\r\n48\r\n192\r\n48\r\n235\r\n48\r\n277\r\n48\r\n319\r\n";

QList<QByteArray> freshLines()
{
    QList<QByteArray> lines = kFreshSkinFile.split('\n');
    lines.removeLast();
    for (QByteArray &l : lines)
        l.chop(1);
    return lines;
}

// The fresh file with line n (counted from 1) replaced by text.
QByteArray freshWith(int n, const QByteArray &text)
{
    QList<QByteArray> lines = freshLines();
    lines[n - 1] = text;
    return lines.join("\r\n") + "\r\n";
}

struct SkinDir {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("my look.skn"));
};

} // namespace

TEST(SkinFile, TheFreshSkinIsWrittenAsTheFortyTwoLinesAndReadBack)
{
    SkinDir d;
    TSkin skin = DefaultSkin();
    SaveSkinFile(d.path, skin);
    EXPECT_EQ(bytesOf(d.path), kFreshSkinFile);

    TSkin read{};
    LoadSkinFile(d.path, read);
    EXPECT_EQ(read, DefaultSkin());
}

TEST(SkinFile, EveryNamedColourIsWrittenByNameAndOthersInHex)
{
    const std::pair<TColor, const char *> rows[] = {
        {0x000000, "clBlack"}, {0x000080, "clMaroon"}, {0x008000, "clGreen"},
        {0x008080, "clOlive"}, {0x800000, "clNavy"}, {0x800080, "clPurple"},
        {0x808000, "clTeal"}, {0x808080, "clGray"}, {0xC0C0C0, "clSilver"},
        {0x0000FF, "clRed"}, {0x00FF00, "clLime"}, {0x00FFFF, "clYellow"},
        {0xFF0000, "clBlue"}, {0xFF00FF, "clFuchsia"}, {0xFFFF00, "clAqua"},
        {0xFFFFFF, "clWhite"}, {0xC0DCC0, "clMoneyGreen"}, {0xF0CAA6, "clSkyBlue"},
        {0xF0FBFF, "clCream"}, {0xA4A0A0, "clMedGray"}, {0x8000000A, "clActiveBorder"},
        {0x80000002, "clActiveCaption"}, {0x8000000C, "clAppWorkSpace"},
        {0x80000001, "clBackground"}, {0x8000000F, "clBtnFace"},
        {0x80000014, "clBtnHighlight"}, {0x80000010, "clBtnShadow"},
        {0x80000012, "clBtnText"}, {0x80000009, "clCaptionText"}, {0x20000000, "clDefault"},
        {0x8000001B, "clGradientActiveCaption"}, {0x8000001C, "clGradientInactiveCaption"},
        {0x80000011, "clGrayText"}, {0x8000000D, "clHighlight"},
        {0x8000000E, "clHighlightText"}, {0x8000001A, "clHotLight"},
        {0x8000000B, "clInactiveBorder"}, {0x80000003, "clInactiveCaption"},
        {0x80000013, "clInactiveCaptionText"}, {0x80000018, "clInfoBk"},
        {0x80000017, "clInfoText"}, {0x80000004, "clMenu"}, {0x8000001E, "clMenuBar"},
        {0x8000001D, "clMenuHighlight"}, {0x80000007, "clMenuText"}, {0x1FFFFFFF, "clNone"},
        {0x80000000, "clScrollBar"}, {0x80000015, "cl3DDkShadow"}, {0x80000016, "cl3DLight"},
        {0x80000005, "clWindow"}, {0x80000006, "clWindowFrame"}, {0x80000008, "clWindowText"},
        // No name: "$" and eight upper-case hexadecimal digits.
        {0x00FF8040, "$00FF8040"}, {0x80000019, "$80000019"}, {0x00ABCDEF, "$00ABCDEF"},
    };
    SkinDir d;
    for (const auto &[value, text] : rows) {
        TSkin skin = DefaultSkin();
        skin.MouseOver = value;
        SaveSkinFile(d.path, skin);
        EXPECT_EQ(bytesOf(d.path), freshWith(9, text)) << text;

        TSkin read = DefaultSkin();
        read.MouseOver = 0x123456;
        LoadSkinFile(d.path, read);
        EXPECT_EQ(read.MouseOver, value) << text;
    }
}

TEST(SkinFile, ColourAndPositionLinesAcceptNamesInAnyCaseAndIntegersInEveryNotation)
{
    const std::pair<const char *, TColor> colours[] = {
        {"CLAQUA", clAqua}, {"clwindowtext", 0x80000008}, {"Cl3dLight", 0x80000016},
        {"255", 0xFF}, {"  255", 0xFF}, {"+255", 0xFF}, {"-1", 0xFFFFFFFF},
        {"$ff8040", 0xFF8040}, {"x10", 0x10}, {"X10", 0x10}, {"0x10", 0x10}, {"0X10", 0x10},
        {"$FFFFFFFF", 0xFFFFFFFF}, {"$000000010", 0x10}, {"-2147483648", 0x80000000},
    };
    SkinDir d;
    for (const auto &[text, value] : colours) {
        ASSERT_TRUE(writeBytes(d.path, freshWith(2, text)));
        TSkin read = DefaultSkin();
        LoadSkinFile(d.path, read);
        EXPECT_EQ(read.WindowActive, value) << text;
    }

    const std::pair<const char *, int> positions[] = {
        {"-5", -5}, {"0", 0}, {"007", 7}, {"$10", 16}, {"0x1F", 31}, {"99999", 99999},
    };
    for (const auto &[text, value] : positions) {
        ASSERT_TRUE(writeBytes(d.path, freshWith(41, text)));
        TSkin read = DefaultSkin();
        LoadSkinFile(d.path, read);
        EXPECT_EQ(read.Places[15].Left, value) << text;
    }
}

TEST(SkinFile, ABadLineStopsTheLoadThereWithTheLinesBeforeItApplied)
{
    const std::pair<int, const char *> rows[] = {
        {2, ""}, {2, "aqua"}, {3, "cl Teal"}, {5, "12 "}, {6, "$"}, {7, "0x"}, {8, "-"},
        {9, "$100000000"}, {10, "2147483648"}, {10, "1.5"}, {11, "left"}, {12, "$G0"},
        {42, " "},
    };
    SkinDir d;
    for (const auto &[n, text] : rows) {
        // Every value on disk differs from the one in memory, so each line shows
        // whether it was applied.
        TSkin onDisk{};
        onDisk.Picture = QStringLiteral("/pics/night sky.bmp");
        onDisk.LEDMatrix = QStringLiteral("  NIGHT  ");
        onDisk.WindowActive = onDisk.WindowPassive = onDisk.Active = onDisk.Passive = onDisk.PopUp =
            onDisk.ButtonText = onDisk.MouseOver = onDisk.Transparent = clRed;
        for (int i = 0; i < kSkinControlCount; ++i)
            onDisk.Places[i] = {1000 + i, 2000 + i};
        SaveSkinFile(d.path, onDisk);
        QList<QByteArray> lines = bytesOf(d.path).split('\n');
        lines[n - 1] = QByteArray(text) + '\r';
        ASSERT_TRUE(writeBytes(d.path, lines.join('\n')));

        TSkin read = DefaultSkin();
        try {
            LoadSkinFile(d.path, read);
            ADD_FAILURE() << "line " << n << " '" << text << "' was accepted";
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(text)));
        }
        EXPECT_EQ(read.Picture, onDisk.Picture) << n;
        EXPECT_EQ(read.WindowActive, n > 2 ? clRed : clAqua) << n;
        EXPECT_EQ(read.LEDMatrix, n > 4 ? onDisk.LEDMatrix : DefaultSkin().LEDMatrix) << n;
        EXPECT_EQ(read.Transparent, n > 10 ? clRed : clMaroon) << n;
        EXPECT_EQ(read.Places[0].Left, n > 11 ? 1000 : 327) << n;
        EXPECT_EQ(read.Places[15].Top, 319) << n;
    }
}

TEST(SkinFile, AFileOfFortyOneLinesStopsAtTheLastStationButtonsTop)
{
    SkinDir d;
    QList<QByteArray> lines = freshLines();
    lines.removeLast();
    for (int i = 10; i < 41; ++i)
        lines[i] = QByteArray::number(lines[i].toInt() + 3);
    ASSERT_TRUE(writeBytes(d.path, lines.join("\r\n") + "\r\n"));

    TSkin read = DefaultSkin();
    read.Places.fill({-1, -1});
    try {
        LoadSkinFile(d.path, read);
        FAIL() << "a missing line was accepted";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'' is not a valid integer value"));
    }
    const TSkin fresh = DefaultSkin();
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(read.Places[i], TSkinPlace({fresh.Places[i].Left + 3, fresh.Places[i].Top + 3})) << i;
    EXPECT_EQ(read.Places[15], TSkinPlace({48 + 3, -1}));
}

TEST(SkinFile, AnEmptyPictureIsSavedAndPutBackAsDefault)
{
    SkinDir d;
    TSkin skin = DefaultSkin();
    skin.Picture.clear();
    SaveSkinFile(d.path, skin);
    EXPECT_EQ(skin.Picture, QStringLiteral("default"));
    EXPECT_EQ(bytesOf(d.path), kFreshSkinFile);

    // No path: "CurrentSkin.skn" in the current directory.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(d.dir.path()));
    skin.Picture.clear();
    SaveSkinFile(QString(), skin);
    QDir::setCurrent(cwd);
    EXPECT_EQ(bytesOf(d.dir.filePath(QStringLiteral("CurrentSkin.skn"))), kFreshSkinFile);
}

TEST(SkinFile, TextsAreReadWholeExtraLinesIgnoredAndAMissingFileChangesNothing)
{
    SkinDir d;
    QByteArray bytes = freshWith(1, " /home/a/My Skins/blue sky.bmp ");
    bytes = bytes.replace("MARO SONAVEO ONLINE!", "  RADIO  ONE  ") + "extra\r\nlines\r\n";
    ASSERT_TRUE(writeBytes(d.path, bytes));

    TSkin read{};
    LoadSkinFile(d.path, read);
    EXPECT_EQ(read.Picture, QStringLiteral(" /home/a/My Skins/blue sky.bmp "));
    EXPECT_EQ(read.LEDMatrix, QStringLiteral("  RADIO  ONE  "));
    EXPECT_EQ(read.Places, DefaultSkin().Places);

    TSkin untouched = DefaultSkin();
    untouched.Picture = QStringLiteral("mine");
    TSkin kept = untouched;
    LoadSkinFile(d.dir.filePath(QStringLiteral("none.skn")), kept);
    LoadSkinFile(d.dir.path(), kept);
    EXPECT_EQ(kept, untouched);
}
