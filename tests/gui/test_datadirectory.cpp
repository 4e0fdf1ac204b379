// The folder the player keeps its files in: how it is chosen, and that a running
// player writes there and nowhere else.

#include "app/mainform.h"
#include "app/startup.h"
#include "currentdirectory.h"
#include "fakecapturebackend.h"
#include "fakedialogs.h"
#include "fakeenvironment.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "platform/datadirectory.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "stations/bandform.h"
#include "widgets/vrdemobutton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QStringList kProgram{QStringLiteral("sonaveo")};

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// The process environment of a user whose data home is dataHome and who set
// nothing else the rule reads.
QProcessEnvironment userEnvironment(const QString &home, const QString &dataHome = QString())
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), home);
    if (!dataHome.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    return env;
}

} // namespace

TEST(DataDirectory, EachSourceWinsOverTheOnesAfterIt)
{
    QTemporaryDir home, current, named, given;
    ASSERT_TRUE(writeBytes(QDir(current.path()).filePath(QStringLiteral("Defaults.ini")), "\r\n"));
    QProcessEnvironment env = userEnvironment(home.path());
    env.insert(QStringLiteral("SONAVEO_DATA_DIR"), named.path());

    // --data-dir, in either spelling, before everything else.
    DataDirectoryChoice choice =
        chooseDataDirectory(kProgram + QStringList{QStringLiteral("--data-dir"), given.path()}, env, current.path());
    EXPECT_TRUE(choice.ok()) << choice.error.toStdString();
    EXPECT_EQ(choice.folder, given.path());
    choice = chooseDataDirectory(kProgram + QStringList{QStringLiteral("--default-skin"),
                                                        QStringLiteral("--data-dir=") + given.path()},
                                 env, current.path());
    EXPECT_EQ(choice.folder, given.path());

    // Then the environment, over a portable folder.
    choice = chooseDataDirectory(kProgram, env, current.path());
    EXPECT_EQ(choice.folder, named.path());

    // Then the current folder, as it holds the settings.
    env.remove(QStringLiteral("SONAVEO_DATA_DIR"));
    choice = chooseDataDirectory(kProgram, env, current.path());
    EXPECT_EQ(choice.folder, current.path());

    // Otherwise the user's data folder, made private on first use.
    QTemporaryDir plain;
    choice = chooseDataDirectory(kProgram, env, plain.path());
    ASSERT_TRUE(choice.ok()) << choice.error.toStdString();
    EXPECT_EQ(choice.folder, QDir(home.path()).filePath(QStringLiteral(".local/share/sonaveo")));
    EXPECT_TRUE(QFileInfo(choice.folder).isDir());
    EXPECT_EQ(QFileInfo(choice.folder).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions())
        << "only the user reads it";
    EXPECT_TRUE(entriesOf(plain.path()).isEmpty());

    QTemporaryDir dataHome;
    choice = chooseDataDirectory(kProgram, userEnvironment(home.path(), dataHome.path()), plain.path());
    EXPECT_EQ(choice.folder, QDir(dataHome.path()).filePath(QStringLiteral("sonaveo")));
}

TEST(DataDirectory, ANamedFolderIsMadeOrRefusedNeverReplaced)
{
    QTemporaryDir home, current;
    const QProcessEnvironment env = userEnvironment(home.path());

    // A relative name is taken from the current folder; missing parents are made.
    DataDirectoryChoice choice = chooseDataDirectory(
        kProgram + QStringList{QStringLiteral("--data-dir"), QStringLiteral("radio/data")}, env, current.path());
    ASSERT_TRUE(choice.ok()) << choice.error.toStdString();
    EXPECT_EQ(choice.folder, QDir(current.path()).filePath(QStringLiteral("radio/data")));
    EXPECT_TRUE(QFileInfo(choice.folder).isDir());

    // A file where the folder should be, or below which it should be, is an error
    // that names it; the user's folder is not taken instead.
    const QString file = QDir(current.path()).filePath(QStringLiteral("plain.txt"));
    ASSERT_TRUE(writeBytes(file, "text"));
    for (const QStringList &arguments : {QStringList{QStringLiteral("--data-dir"), file},
                                         QStringList{QStringLiteral("--data-dir"), file + QStringLiteral("/sub")}}) {
        choice = chooseDataDirectory(kProgram + arguments, env, current.path());
        EXPECT_FALSE(choice.ok());
        EXPECT_TRUE(choice.folder.isEmpty());
        EXPECT_TRUE(choice.error.contains(arguments.last())) << choice.error.toStdString();
    }
    QProcessEnvironment named = env;
    named.insert(QStringLiteral("SONAVEO_DATA_DIR"), file);
    choice = chooseDataDirectory(kProgram, named, current.path());
    EXPECT_FALSE(choice.ok());
    EXPECT_TRUE(choice.error.contains(QStringLiteral("SONAVEO_DATA_DIR"))) << choice.error.toStdString();

    choice = chooseDataDirectory(kProgram + QStringList{QStringLiteral("--data-dir")}, env, current.path());
    EXPECT_FALSE(choice.ok());
    EXPECT_TRUE(choice.error.contains(QStringLiteral("--data-dir"))) << choice.error.toStdString();

    EXPECT_FALSE(QFileInfo::exists(QDir(home.path()).filePath(QStringLiteral(".local/share/sonaveo"))));
    EXPECT_EQ(bytesOf(file), "text");
}

TEST(DataDirectory, ThePlayerWritesOnlyIntoTheChosenFolder)
{
    FakeDialogs dialogs;
    FakePlatform platform;
    FakeCaptureBackend capture;
    capture.drivers = {CaptureDriverInfo{std::nullopt, QStringLiteral("Primary Sound Capture Driver"), QString()}};
    ForgetCaptureDrivers();
    QTemporaryDir home, current, dataHome;
    CurrentDirectory here(current.path());
    const DataDirectoryChoice choice =
        chooseDataDirectory(kProgram, userEnvironment(home.path(), dataHome.path()), current.path());
    ASSERT_TRUE(choice.ok()) << choice.error.toStdString();
    const QDir data(choice.folder);

    FakeEnvironmentChecks checks(true, true);
    {
        TApplicationWindows windows;
        ASSERT_TRUE(runEntrySequence(checks, windows, {}, choice.folder));
        TMainForm *main = windows.MainForm.get();
        main->ui().TimerSonaveo->stop();
        EXPECT_EQ(main->dataDirectory(), choice.folder);
        EXPECT_EQ(main->recorder()->recordingFile(), data.filePath(QStringLiteral("webfile.wav")));

        TBandForm *bands = windows.band();
        bands->FormActivate();
        bands->EditNewStationBand->setText(QStringLiteral("Mine"));
        QTest::mouseClick(bands->VrDemoButtonAdd, Qt::LeftButton);
        main->saveOnLeaving(false);
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    }
    EXPECT_TRUE(entriesOf(current.path()).isEmpty()) << entriesOf(current.path()).join('|').toStdString();
    for (const QString &name : {QStringLiteral("Defaults.ini"), QStringLiteral("Maro Radio Network1.dat"),
                                QStringLiteral("currentskin.skn")})
        EXPECT_TRUE(QFileInfo(data.filePath(name)).isFile()) << name.toStdString();
    EXPECT_TRUE(bytesOf(data.filePath(QStringLiteral("stationbands.ini"))).contains("Mine\r\n"));

    // Started again from anywhere, the same folder gives the same presets back.
    QTemporaryDir elsewhere;
    CurrentDirectory there(elsewhere.path());
    EXPECT_EQ(chooseDataDirectory(kProgram, userEnvironment(home.path(), dataHome.path()), elsewhere.path()).folder,
              choice.folder);
}

// The program itself refuses a folder it cannot use before anything starts: no
// display and no sound are needed for that.
TEST(DataDirectory, TheProgramEndsWithAMessageWhenTheNamedFolderIsUnusable)
{
    QTemporaryDir runtime, current, home;
    const QString file = QDir(current.path()).filePath(QStringLiteral("taken"));
    ASSERT_TRUE(writeBytes(file, "x"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("HOME"), home.path());
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.remove(QStringLiteral("SONAVEO_DATA_DIR"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(current.path());
    process.start(QStringLiteral(SONAVEO_BINARY), {QStringLiteral("--data-dir"), file});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(process.exitCode(), 0);
    const QString said = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(said.contains(file)) << said.toStdString();
    EXPECT_EQ(entriesOf(current.path()), QStringList{QStringLiteral("taken")});
    EXPECT_TRUE(entriesOf(home.path()).isEmpty());

    process.start(QStringLiteral(SONAVEO_BINARY), {QStringLiteral("--version")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardOutput().startsWith("sonaveo ")) << "the version on one line";
}
