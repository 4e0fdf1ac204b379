// The program's text files on disk, byte for byte.

#include "errors.h"
#include "filebytes.h"
#include "qtprinters.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>


TEST(TextFile, LinesAreWrittenInUtf8WithCrLfAndReadBackVerbatim)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.dat"));
    const QStringList lines = {QStringLiteral("  Radio Öl  "), QString(), QStringLiteral("http://a/b?c=d&e")};
    writeTextLines(path, lines);
    EXPECT_EQ(bytesOf(path), QByteArray("  Radio \xC3\x96l  \r\n\r\nhttp://a/b?c=d&e\r\n"));
    EXPECT_EQ(readTextLines(path), lines);
}

TEST(TextFile, ReadingAcceptsEveryLineEndAndFallsBackToWindows1252)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.dat"));
    const std::pair<QByteArray, QStringList> rows[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nc", {"a", "", "c"}},
        {"", {}},
        {"\xEF\xBB\xBFsecond\r\n", {"second"}},
        {"K\xD6LN \x80 \x93quoted\x94\r\n", {QString::fromUtf8("KÖLN € “quoted”")}},
    };
    for (const auto &[bytes, expected] : rows) {
        ASSERT_TRUE(writeBytes(path, bytes));
        EXPECT_EQ(readTextLines(path), expected) << bytes.toStdString();
    }
}

TEST(TextFile, AFailedWriteKeepsTheOldFileAndNamesFileAndReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.dat"));
    writeTextLines(path, {QStringLiteral("old")});
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    if (QFile(dir.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly))
        GTEST_SKIP() << "running with rights that ignore directory permissions";
    try {
        writeTextLines(path, {QStringLiteral("new")});
        FAIL() << "a write into a read-only folder must fail";
    } catch (const EInOutError &e) {
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readTextLines(path), QStringList({"old"}));
}

TEST(TextFile, NamesThatLeaveTheFolderAreRefused)
{
    EXPECT_EQ(fileInDirectory(QStringLiteral("/data"), QStringLiteral("Top 4012.dat")),
              QStringLiteral("/data/Top 4012.dat"));
    for (const char *bad : {"../x1.dat", "a/b1.dat", ".", "..", ""}) {
        try {
            fileInDirectory(QStringLiteral("/data"), QLatin1String(bad));
            ADD_FAILURE() << bad;
        } catch (const EInOutError &e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Invalid file name - "))) << bad;
        }
    }
    EXPECT_THROW(fileInDirectory(QStringLiteral("/data"), QStringLiteral("a") + QChar(0) + QStringLiteral("b")),
                 EInOutError);
}
