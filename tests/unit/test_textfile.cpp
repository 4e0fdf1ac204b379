// The program's text files on disk, byte for byte.

#include "childprocess.h"
#include "filebytes.h"
#include "platform/errors.h"
#include "platform/textfile.h"
#include "qtprinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>


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

TEST(TextFile, EveryValueStaysOnItsOwnLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.dat"));
    writeTextLines(path, {QStringLiteral("Radio\nX"), QStringLiteral("a\r\nb\rc"), QStringLiteral("last")});
    EXPECT_EQ(bytesOf(path), QByteArray("Radio X\r\na b c\r\nlast\r\n"));
}

TEST(TextFile, SpecialAndOversizedFilesAreRefusedWithoutWaiting)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    ASSERT_TRUE(writeBytes(big, QByteArray(kMaxTextFileSize + 1, '1')));
    for (const QString &path : {fifo, zero, big, dir.path()}) {
        try {
            readTextLines(path);
            ADD_FAILURE() << path.toStdString();
        } catch (const EInOutError &e) {
            EXPECT_TRUE(e.Message().endsWith(QStringLiteral(": ") + path)) << e.Message().toStdString();
        }
    }
    // Nothing is written into or over them either.
    EXPECT_THROW(writeTextLines(fifo, {QStringLiteral("x")}), EInOutError);
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    EXPECT_THROW(writeTextLines(zero, {QStringLiteral("x")}), EInOutError);
    EXPECT_EQ(QFileInfo(zero).symLinkTarget(), QStringLiteral("/dev/zero"));
    // A file at the limit is read.
    ASSERT_TRUE(writeBytes(big, QByteArray(kMaxTextFileSize, '1')));
    EXPECT_EQ(readTextLines(big).value(0).size(), kMaxTextFileSize);
}

TEST(TextFile, ASaveKeepsTheFilesRightsAndWritesThroughTheUsersOwnLink)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("private.ini"));
    writeTextLines(path, {QStringLiteral("old")});
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    writeTextLines(path, {QStringLiteral("new")});
    struct stat status {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << "only the owner may read it, as before";

    const QString link = dir.filePath(QStringLiteral("link.ini"));
    ASSERT_TRUE(QFile::link(path, link));
    writeTextLines(link, {QStringLiteral("through")});
    EXPECT_TRUE(QFileInfo(link).isSymLink()) << "the link stays a link";
    EXPECT_EQ(bytesOf(path), "through\r\n");
    EXPECT_EQ(readTextLines(link), QStringList{QStringLiteral("through")});

    // A link that leads nowhere is not followed into a new file.
    const QString dangling = dir.filePath(QStringLiteral("dangling.ini"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nothing")), dangling));
    EXPECT_THROW(writeTextLines(dangling, {QStringLiteral("x")}), EInOutError);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nothing"))));
}

// As root, which alone can give a link or a file to another user.
TEST(TextFile, LinksOfAnotherUserOrToAnotherUsersFileAreNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a link to another user";
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim"));
    ASSERT_TRUE(writeBytes(victim, "secret\n"));
    const QString planted = dir.filePath(QStringLiteral("Defaults.ini"));
    ASSERT_TRUE(QFile::link(victim, planted));
    ASSERT_EQ(::lchown(planted.toLocal8Bit().constData(), 65534, 65534), 0);
    EXPECT_THROW(readTextLines(planted), EInOutError);
    EXPECT_THROW(writeTextLines(planted, {QStringLiteral("x")}), EInOutError);
    EXPECT_EQ(bytesOf(victim), "secret\n");

    // The user's own link to someone else's file.
    const QString own = dir.filePath(QStringLiteral("own.ini"));
    ASSERT_TRUE(QFile::link(victim, own));
    ASSERT_EQ(::chown(victim.toLocal8Bit().constData(), 65534, 65534), 0);
    try {
        writeTextLines(own, {QStringLiteral("x")});
        ADD_FAILURE() << "written through";
    } catch (const EInOutError &e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("target belongs to another user"))) << e.Message().toStdString();
    }
    EXPECT_EQ(bytesOf(victim), "secret\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3) << "no new file left";
}

// Runs in a child process with a mount namespace of its own.
TEST(TextFile, AFullDiskKeepsTheOldFileWholeAndSaysWhy)
{
    QString output;
    if (!childprocess::inOwnMountNamespace(QStringLiteral("TextFile.AFullDisk*"), "SONAVEO_MOUNT_CHILD", &output))
        return;
    QTemporaryDir dir;
    ASSERT_TRUE(childprocess::mountSmallDisk(dir.path(), 64));
    const QString path = dir.filePath(QStringLiteral("Defaults.ini"));
    const QStringList old(28, QStringLiteral("old value"));
    writeTextLines(path, old);
    ASSERT_TRUE(childprocess::fillDisk(dir.path()));
    try {
        writeTextLines(path, QStringList(28, QString(300, QLatin1Char('n'))));
        FAIL() << "a save onto a full disk must fail";
    } catch (const EInOutError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("No space left on device: ") + path);
    }
    EXPECT_EQ(readTextLines(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "only the file and the filler";
}
