// The settings file and the main window's life: the first showing in a data
// folder, Exit with its farewell, other ways of closing, and the end.

#include "app/mainform.h"
#include "app/splashform.h"
#include "app/startup.h"
#include "childprocess.h"
#include "currentdirectory.h"
#include "fakecapturebackend.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "platform/textfile.h"
#include "playback/stationplayback.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "skin/skinform.h"
#include "stations/bandform.h"
#include "stations/editstationform.h"
#include "stations/historyform.h"
#include "stations/stationpresets.h"
#include "waitfor.h"
#include "widgets/vrblotter.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrformshape.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <climits>

namespace {
const QString kCdFormat = QStringLiteral("44100Hz 16bit Stereo");

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += l.toUtf8() + "\r\n";
    return out;
}

} // namespace

// When the windows the main window opens are made: before its first showing, or
// after it, as a start makes them once the first picture is on screen.
enum class WindowsMade { BeforeTheFirstShowing, AfterTheFirstShowing };

void PrintTo(WindowsMade made, std::ostream *os)
{
    *os << (made == WindowsMade::BeforeTheFirstShowing ? "before the first showing" : "after the first showing");
}

std::string windowsMadeName(const ::testing::TestParamInfo<WindowsMade> &row)
{
    return row.param == WindowsMade::BeforeTheFirstShowing ? "WindowsMadeFirst" : "WindowsMadeLater";
}

// The program's windows, started in a data folder of the test's own.
class LifecycleFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        capture.drivers = {CaptureDriverInfo{std::nullopt, QStringLiteral("Primary Sound Capture Driver"), QString()},
                           CaptureDriverInfo{std::nullopt, QStringLiteral("Monitor of Built-in Audio"), QString()}};
        ForgetCaptureDrivers();
    }
    void TearDown() override
    {
        windows.reset();
        ForgetCaptureDrivers();
    }
    // Creates the windows and shows the main window from the given folder, the
    // program started with the given arguments.
    void start(const QString &folder, const QStringList &arguments = {QStringLiteral("sonaveo")})
    {
        CurrentDirectory here(folder);
        windows = std::make_unique<TApplicationWindows>();
        if (made == WindowsMade::BeforeTheFirstShowing)
            createWindows(*windows);
        else
            createFirstWindows(*windows);
        form = windows->MainForm.get();
        form->setUseDefaultSkin(startsWithDefaultSkin(arguments, Qt::NoModifier));
        form->ui().TimerSonaveo->stop();
        form->show();
        if (made == WindowsMade::AfterTheFirstShowing)
            createLateWindows(*windows);
        station = fake.station;
    }
    QString file(const QString &name) const { return QDir(dir.path()).filePath(name); }
    TOptionsForm *options() const { return windows->OptionsForm.get(); }
    THistoryForm *history() const { return windows->HistoryForm.get(); }
    int cdFormatIndex() const { return options()->FormatBox->findText(kCdFormat); }
    void exitAndCountDown()
    {
        CurrentDirectory here(dir.path());
        QTest::mouseClick(form->ui().VrDemoButtonExit, Qt::LeftButton);
        for (int tick = 0; tick < 25; ++tick)
            form->playback()->TimerSonaveoTimer();
    }
    // The 28 lines a fresh start writes, with the given first line and window place.
    QStringList freshLines(const QString &recording) const
    {
        QStringList lines{recording, QString::number(cdFormatIndex()), QStringLiteral("0")};
        for (int k = 0; k < 11; ++k)
            lines << QStringLiteral("none") << QStringLiteral("Empty");
        lines << QStringLiteral("Maro Radio Network") << QString::number(form->x()) << QString::number(form->y());
        return lines;
    }

    void startWithSavedFiles();
    QMap<QString, QByteArray> filesOf(const QStringList &names) const;

    WindowsMade made = WindowsMade::BeforeTheFirstShowing;
    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakePlatform fake;
    FakeCaptureBackend capture;
    std::unique_ptr<TApplicationWindows> windows;
    TMainForm *form = nullptr;
    FakeMediaEngine *station = nullptr;
};

// Every case holds whichever way the windows are made.
class LifecycleTest : public LifecycleFixture, public ::testing::WithParamInterface<WindowsMade> {
protected:
    LifecycleTest() { made = GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Lifecycle, LifecycleTest,
                         ::testing::Values(WindowsMade::BeforeTheFirstShowing, WindowsMade::AfterTheFirstShowing),
                         windowsMadeName);

TEST_P(LifecycleTest, AFreshFolderShowsTheBuiltInStateAndExitWritesEveryFile)
{
    start(dir.path());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(options()->DirectoryEditLogger->text(), QStringLiteral("webfile.wav")) << "a bare name";
    EXPECT_EQ(options()->FormatBox->currentText(), kCdFormat);
    EXPECT_EQ(options()->DriverBox->currentIndex(), 0);
    for (int k = 1; k <= 11; ++k) {
        EXPECT_EQ(history()->entryName(k), QStringLiteral("none"));
        EXPECT_EQ(history()->entryUrl(k), QStringLiteral("Empty"));
    }
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Maro Radio Network"));
    for (TVrDemoButton *b : form->ui().VrDemoButtonStation)
        EXPECT_EQ(b->Caption(), QStringLiteral("none"));
    EXPECT_EQ(form->ui().VrNumVolume->Value(), 100);
    EXPECT_EQ(station->volume(), 100);
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 1);

    QSignalSpy closed(form, &TMainForm::closed);
    exitAndCountDown();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(bytesOf(file(QStringLiteral("Defaults.ini"))), crlf(freshLines(QStringLiteral("webfile.wav"))));
    EXPECT_EQ(bytesOf(file(QStringLiteral("Maro Radio Network1.dat"))),
              crlf(QStringList(14, QString()).replaceInStrings(QRegularExpression(QStringLiteral("^$")),
                                                               QStringLiteral("none"))));
    const QStringList skin = readTextLines(file(QStringLiteral("currentskin.skn")));
    ASSERT_EQ(skin.size(), 42);
    EXPECT_EQ(skin[0], QStringLiteral("default"));
    EXPECT_EQ(skin[1], QStringLiteral("clAqua"));
    EXPECT_TRUE(windows->FormSure->isVisible()) << "the farewell shows during the countdown";
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1) << "the 25th tick closes the main window";
}

TEST_P(LifecycleTest, EverythingLeftAtExitComesBackAtTheNextStartAtBlockOne)
{
    start(dir.path());
    history()->AddToHistory(QStringLiteral("Jazz FM"), QStringLiteral("http://jazz.example/stream"));
    history()->AddToHistory(QString(), QStringLiteral("http://nameless.example")); // an empty name
    form->ui().Labelgenre->setText(QStringLiteral("Top 40"));
    form->presets()->LoadStationBlock(1);
    form->ui().VrDemoButtonStation[2]->setCaption(QStringLiteral("Hits"));
    form->ui().EditStationURL[2]->setText(QStringLiteral("http://hits.example"));
    form->presets()->VrSpinnerStationUpClick(); // block 1 saved, block 2 shown
    options()->FormatBox->setCurrentIndex(-1);
    options()->DriverBox->setCurrentIndex(1);
    const QString recording = file(QStringLiteral("my takes.wav"));
    writeBytes(recording, "RIFF");
    options()->DirectoryEditLogger->setFileName(recording);
    form->move(37, 41);
    exitAndCountDown();
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    const QStringList saved = QString::fromUtf8(bytesOf(file(QStringLiteral("Defaults.ini")))).split("\r\n");
    EXPECT_EQ(saved.value(0), recording) << "the bare path, not the field's quoted text";
    EXPECT_EQ(saved.value(1), QStringLiteral("-1"));
    EXPECT_EQ(saved.value(3), QString()) << "an empty name is an empty line";
    EXPECT_EQ(saved.value(5), QStringLiteral("Jazz FM"));
    EXPECT_EQ(saved.value(25), QStringLiteral("Top 40"));
    windows.reset();

    start(dir.path());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(options()->DirectoryEditLogger->fileName(), recording);
    EXPECT_EQ(options()->FormatBox->currentIndex(), -1) << "no selection stays no selection";
    EXPECT_EQ(options()->DriverBox->currentIndex(), 1);
    EXPECT_EQ(history()->entryName(1), QStringLiteral("none")) << "an empty line keeps the default";
    EXPECT_EQ(history()->entryUrl(1), QStringLiteral("http://nameless.example"));
    EXPECT_EQ(history()->entryName(2), QStringLiteral("Jazz FM"));
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Top 40"));
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 1);
    EXPECT_EQ(form->ui().VrDemoButtonStation[2]->Caption(), QStringLiteral("Hits")) << "block 1 of the band";
    EXPECT_EQ(form->pos(), QPoint(37, 41)) << "the stored place wins over centring";
}

TEST_P(LifecycleTest, SettingsLoadStopsAtABadLineWithTheLinesBeforeItApplied)
{
    const QString recording = file(QStringLiteral("take.wav"));
    writeBytes(recording, "RIFF");
    QStringList lines{recording, QStringLiteral("3"), QStringLiteral("abc"), QStringLiteral("Late FM")};
    writeBytes(file(QStringLiteral("Defaults.ini")), crlf(lines));
    start(dir.path());
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("'abc' is not a valid integer value")});
    EXPECT_EQ(dialogs.places, QStringList{file(QStringLiteral("Defaults.ini")) + QStringLiteral(", line 3")});
    EXPECT_EQ(dialogs.kinds, QList<MessageKind>{MessageKind::Error});
    EXPECT_EQ(options()->DirectoryEditLogger->text(), recording);
    EXPECT_EQ(options()->FormatBox->currentIndex(), 3);
    EXPECT_EQ(options()->DriverBox->currentIndex(), 0);
    EXPECT_EQ(history()->entryName(1), QStringLiteral("none")) << "nothing after the bad line";
    // The rest of the first showing still runs.
    EXPECT_EQ(form->ui().VrNumVolume->Value(), 100);
    EXPECT_TRUE(form->loaded());
}

TEST_P(LifecycleTest, ShortOrOddSettingsKeepTheirDefaults)
{
    // Only line 1, naming a file that is not there: the default file in the data
    // folder, everything else as built.
    writeBytes(file(QStringLiteral("Defaults.ini")), "/nowhere/gone.wav\r\n");
    start(dir.path());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(options()->DirectoryEditLogger->fileName(), file(QStringLiteral("webfile.wav")));
    EXPECT_EQ(options()->FormatBox->currentText(), kCdFormat);
    EXPECT_EQ(history()->entryName(11), QStringLiteral("none"));
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Maro Radio Network"));
    windows.reset();

    // Out-of-range selections select nothing; lines after the 28th are ignored.
    QStringList lines{QString(), QStringLiteral("999"), QStringLiteral("7")};
    for (int k = 0; k < 22; ++k)
        lines << QString();
    lines << QStringLiteral("News") << QString() << QString() << QStringLiteral("garbage") << QStringLiteral("x");
    writeBytes(file(QStringLiteral("Defaults.ini")), crlf(lines));
    start(dir.path());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(options()->FormatBox->currentIndex(), -1);
    EXPECT_EQ(options()->DriverBox->currentIndex(), -1);
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("News"));
}

TEST_P(LifecycleTest, TwoFoldersKeepTwoSetsOfFiles)
{
    QTemporaryDir other;
    start(dir.path());
    form->ui().VrDemoButtonStation[0]->setCaption(QStringLiteral("Here"));
    exitAndCountDown();
    windows.reset();

    start(other.path());
    EXPECT_EQ(form->dataDirectory(), other.path());
    EXPECT_EQ(form->ui().VrDemoButtonStation[0]->Caption(), QStringLiteral("none"));
    form->ui().VrDemoButtonStation[0]->setCaption(QStringLiteral("There"));
    {
        CurrentDirectory here(other.path());
        QTest::mouseClick(form->ui().VrDemoButtonExit, Qt::LeftButton);
    }
    EXPECT_TRUE(bytesOf(file(QStringLiteral("Maro Radio Network1.dat"))).startsWith("Here\r\n"));
    EXPECT_TRUE(bytesOf(QDir(other.path()).filePath(QStringLiteral("Maro Radio Network1.dat"))).startsWith("There\r\n"));
    EXPECT_TRUE(QFile::exists(QDir(other.path()).filePath(QStringLiteral("Defaults.ini"))));
}

TEST_P(LifecycleTest, ExitWhileRecordingFinishesTheFileBeforeTheFarewellShows)
{
    start(dir.path());
    CurrentDirectory here(dir.path()); // the recording file is a bare name
    QTest::mouseClick(form->ui().VrDemoButtonRec, Qt::LeftButton);
    ASSERT_NE(capture.ring, nullptr);
    capture.ring->deliver(4000);
    form->recorder()->CaptureBufferFilled();

    // What is on disk at the moment the farewell window appears.
    QByteArray wavAtFarewell;
    bool settingsAtFarewell = false;
    struct Watch : QObject {
        std::function<void()> onShow;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Show)
                onShow();
            return false;
        }
    } watch;
    watch.onShow = [&] {
        wavAtFarewell = bytesOf(file(QStringLiteral("webfile.wav")));
        settingsAtFarewell = QFile::exists(file(QStringLiteral("Defaults.ini"))) &&
                             QFile::exists(file(QStringLiteral("Maro Radio Network1.dat")));
    };
    windows->FormSure->installEventFilter(&watch);
    exitAndCountDown();
    windows->FormSure->removeEventFilter(&watch);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_TRUE(settingsAtFarewell);
    ASSERT_EQ(wavAtFarewell.size(), 46 + 4000);
    EXPECT_EQ(wavAtFarewell.mid(42, 4), QByteArray::fromHex("a00f0000")) << "data size 4000 in the header";
    EXPECT_EQ(form->recorder()->CaptureStream, nullptr);
}

TEST_P(LifecycleTest, AFaderLeftAtZeroIsFullVolumeAgainAtTheEnd)
{
    start(dir.path());
    form->ui().VrScrollBarPlayer1->setPosition(0);
    form->playback()->VrScrollBarPlayer1Change();
    EXPECT_EQ(station->volume(), 0);
    form->FormDestroy(); // what the window's destruction runs
    EXPECT_EQ(station->volume(), 100);
    EXPECT_EQ(fake.recording->volume(), 100);
    EXPECT_EQ(station->calls.back(), QStringLiteral("stop"));
}

TEST_P(LifecycleTest, ClosingByOtherMeansSavesWithoutTheFarewell)
{
    start(dir.path());
    history()->AddToHistory(QStringLiteral("Closed FM"), QStringLiteral("http://closed.example"));
    form->ui().Labelgenre->setText(QStringLiteral("Station History")); // a history marker
    {
        CurrentDirectory here(dir.path());
        form->close(); // the window manager's close
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    const QStringList saved = QString::fromUtf8(bytesOf(file(QStringLiteral("Defaults.ini")))).split("\r\n");
    EXPECT_EQ(saved.value(3), QStringLiteral("Closed FM"));
    EXPECT_EQ(saved.value(25), QStringLiteral("Maro Radio Network")) << "the band, not the marker";
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("Maro Radio Network1.dat"))));
    EXPECT_FALSE(windows->FormSure->isVisible());
}

TEST_P(LifecycleTest, ATerminationRequestSavesWithoutAskingAnyone)
{
    start(dir.path());
    history()->AddToHistory(QStringLiteral("Signal FM"), QStringLiteral("http://signal.example"));
    QSignalSpy closed(form, &TMainForm::closed);
    form->leaveQuietly();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(bytesOf(file(QStringLiteral("Defaults.ini"))).contains("Signal FM\r\n"));

    // When the folder is gone nothing can be saved, and no message box waits for
    // an answer that nobody gives at shutdown.
    windows.reset();
    start(dir.path());
    form->setDataDirectory(file(QStringLiteral("gone/away")));
    form->leaveQuietly();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_FALSE(form->isVisible());
}

TEST_P(LifecycleTest, ARecordingFileLineThatIsNoFileNameStopsTheLoad)
{
    writeBytes(file(QStringLiteral("Defaults.ini")), QByteArray("bad\0name.wav\r\n3\r\n", 17));
    start(dir.path());
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Invalid file name - bad") + QChar(0) + QStringLiteral("name.wav")});
    EXPECT_EQ(dialogs.places, QStringList{file(QStringLiteral("Defaults.ini")) + QStringLiteral(", line 1")});
    EXPECT_EQ(options()->FormatBox->currentText(), kCdFormat) << "line 2 was not reached";
}

TEST_P(LifecycleTest, TheSkinInUseComesBackAtTheNextStartAndABadSkinLineIsTold)
{
    start(dir.path());
    windows->SkinForm->EditLEDMatrix->setText(QStringLiteral("JAZZ ALL NIGHT"));
    form->ui().DragnDropFaderBlock1->trigger();
    Q_EMIT form->ui().VrMainFormShape->OnMouseMove(Qt::NoButton, 199, 149);
    form->ui().EndDragnDrop1->trigger();
    exitAndCountDown();
    windows.reset();

    start(dir.path());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(windows->SkinForm->EditLEDMatrix->text(), QStringLiteral("JAZZ ALL NIGHT"));
    EXPECT_EQ(form->ui().VrBlotterMixer->pos(), QPoint(200, 150));
    windows.reset();

    // Line 2 is no colour: the load stops there with its message, line 1 stays and
    // the rest of the first showing still runs.
    QStringList skin = readTextLines(file(QStringLiteral("currentskin.skn")));
    skin[1] = QStringLiteral("clNoSuchColour");
    writeTextLines(file(QStringLiteral("currentskin.skn")), skin);
    start(dir.path());
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("'clNoSuchColour' is not a valid integer value")});
    EXPECT_EQ(dialogs.places, QStringList{file(QStringLiteral("currentskin.skn")) + QStringLiteral(", line 2")});
    EXPECT_EQ(form->ui().VrNumVolume->Value(), 100);
    EXPECT_EQ(form->ui().VrBlotterMixer->pos(), QPoint(469, 9)) << "positions come after the bad line";
}

TEST_P(LifecycleTest, WithDefaultSkinTheSkinFileIsNeitherAppliedNorOverwritten)
{
    const QString picture = file(QStringLiteral("wide.bmp"));
    QImage wide(400, 300, QImage::Format_RGB32);
    wide.fill(QColor(0x30, 0x60, 0x90));
    ASSERT_TRUE(wide.save(picture, "BMP"));
    TSkin mine = DefaultSkin();
    mine.Picture = picture;
    mine.WindowActive = clRed;
    mine.LEDMatrix = QStringLiteral("MY OWN SKIN");
    mine.Places[5] = {5000, 5000}; // the button block
    const QString skinFile = file(QStringLiteral("currentskin.skn"));
    SaveSkinFile(skinFile, mine);
    const QByteArray onDisk = bytesOf(skinFile);

    // The built-in skin, and the file stays as it was through Exit.
    const QStringList withOption = {QStringLiteral("sonaveo"), QStringLiteral("--default-skin")};
    start(dir.path(), withOption);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(windows->SkinForm->currentSkin(), DefaultSkin());
    EXPECT_EQ(form->size(), QSize(601, 352));
    EXPECT_EQ(form->ui().VrBlotterButtonSet->pos(), QPoint(480, 204));
    exitAndCountDown();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(bytesOf(skinFile), onDisk);
    windows.reset();

    // Started without it, the skin is back.
    start(dir.path());
    EXPECT_EQ(windows->SkinForm->EditLEDMatrix->text(), QStringLiteral("MY OWN SKIN"));
    EXPECT_EQ(form->size(), QSize(400, 300));
    windows.reset();

    // A skin the user changes in such a run is theirs: Exit keeps it. Shift held
    // at the start does what the option does.
    EXPECT_TRUE(startsWithDefaultSkin({QStringLiteral("sonaveo")}, Qt::ShiftModifier));
    start(dir.path(), withOption);
    windows->SkinForm->EditLEDMatrix->setText(QStringLiteral("FRESH START"));
    exitAndCountDown();
    const QStringList saved = readTextLines(skinFile);
    ASSERT_EQ(saved.size(), 42);
    EXPECT_EQ(saved[0], QStringLiteral("default"));
    EXPECT_EQ(saved[3], QStringLiteral("FRESH START"));
}

TEST_P(LifecycleTest, ExitWithAFailedSaveSaysWhyAndKeepsTheProgramOpen)
{
    start(dir.path());
    form->setDataDirectory(file(QStringLiteral("gone/away"))); // the folder has vanished
    QSignalSpy closed(form, &TMainForm::closed);
    QTest::mouseClick(form->ui().VrDemoButtonExit, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("Defaults.ini"))) << dialogs.messages[0].toStdString();
    ASSERT_EQ(dialogs.questions.size(), 1) << "the user may leave without saving";
    EXPECT_TRUE(form->isVisible()) << "the answer was No, so the program stays";
    EXPECT_FALSE(windows->FormSure->isVisible());
    for (int tick = 0; tick < 30; ++tick)
        form->playback()->TimerSonaveoTimer();
    EXPECT_EQ(closed.count(), 0);
}

// Saves the files of a fresh start, then starts again in the same folder.
void LifecycleFixture::startWithSavedFiles()
{
    start(dir.path());
    exitAndCountDown();
    windows.reset();
    start(dir.path());
}

QMap<QString, QByteArray> LifecycleFixture::filesOf(const QStringList &names) const
{
    QMap<QString, QByteArray> bytes;
    for (const QString &name : names)
        bytes[name] = bytesOf(file(name));
    return bytes;
}

const QStringList kSavedAtExit = {QStringLiteral("Defaults.ini"), QStringLiteral("Maro Radio Network1.dat"),
                                  QStringLiteral("currentskin.skn")};

// Runs in a child process with a mount namespace of its own.
TEST_P(LifecycleTest, ExitFromAReadOnlyFolderOffersToLeaveWithTheFilesAsTheyWere)
{
    QString output;
    if (!childprocess::inOwnMountNamespace(childprocess::thisTest(), "SONAVEO_MOUNT_CHILD",
                                           &output))
        return;
    startWithSavedFiles();
    const auto before = filesOf(kSavedAtExit);
    ASSERT_TRUE(childprocess::makeReadOnly(dir.path()));
    history()->AddToHistory(QStringLiteral("Jazz FM"), QStringLiteral("http://jazz.example/stream"));

    QSignalSpy closed(form, &TMainForm::closed);
    QTest::mouseClick(form->ui().VrDemoButtonExit, Qt::LeftButton);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(form->isVisible()) << "No keeps the program open";

    dialogs.nextAnswer.push_back(true);
    exitAndCountDown();
    ASSERT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(closed.count(), 1) << "Yes leaves";
    EXPECT_EQ(filesOf(kSavedAtExit), before);
}

// Runs in a child process with a mount namespace of its own.
TEST_P(LifecycleTest, AFullDiskKeepsEveryFileWholeAndSaysWhichAndWhy)
{
    QString output;
    if (!childprocess::inOwnMountNamespace(childprocess::thisTest(), "SONAVEO_MOUNT_CHILD", &output))
        return;
    ASSERT_TRUE(childprocess::mountSmallDisk(dir.path()));
    startWithSavedFiles();
    CurrentDirectory here(dir.path());
    // A band list, a recording and an earlier export are on the disk too.
    windows->BandForm->EditNewStationBand->setText(QStringLiteral("Mine"));
    QTest::mouseClick(windows->BandForm->VrDemoButtonAdd, Qt::LeftButton);
    ASSERT_TRUE(writeBytes(file(QStringLiteral("webfile.wav")), QByteArray(20000, 'r')));
    ASSERT_TRUE(writeBytes(file(QStringLiteral("keep.wav")), "kept"));
    QStringList names = kSavedAtExit;
    names << QStringLiteral("stationbands.ini") << QStringLiteral("keep.wav");
    const auto before = filesOf(names);
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    ASSERT_TRUE(childprocess::fillDisk(dir.path()));

    windows->BandForm->EditNewStationBand->setText(QStringLiteral("Yours"));
    QTest::mouseClick(windows->BandForm->VrDemoButtonAdd, Qt::LeftButton);
    dialogs.nextFile.push_back(file(QStringLiteral("keep.wav")));
    QTest::mouseClick(options()->VrDemoButtonExport, Qt::LeftButton);
    history()->AddToHistory(QStringLiteral("Jazz FM"), QStringLiteral("http://jazz.example/stream"));
    form->ui().VrDemoButtonStation[0]->setCaption(QStringLiteral("Edited"));
    QTest::mouseClick(form->ui().VrDemoButtonExit, Qt::LeftButton);

    ASSERT_EQ(dialogs.messages.size(), 3) << dialogs.messages.join('|').toStdString();
    const QString told = dialogs.messages.join(QLatin1Char('\n'));
    for (const QString &name : names)
        EXPECT_TRUE(told.contains(file(name)) || (name == QLatin1String("stationbands.ini")
                                                  && told.contains(QStringLiteral("/stationbands.ini"))))
            << name.toStdString() << " in " << told.toStdString();
    EXPECT_EQ(told.count(QStringLiteral("No space left on device")), 5) << told.toStdString();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(filesOf(names), before);
    // Nothing half-written is left beside them.
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(QStringLiteral("filler"));
    left.removeAll(QStringLiteral("webfile.wav"));
    std::sort(names.begin(), names.end());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, names);
}

TEST_P(LifecycleTest, ExportAsksAboutTheNameItWritesTo)
{
    start(dir.path());
    ASSERT_TRUE(writeBytes(file(QStringLiteral("rec.wav")), "recorded"));
    options()->DirectoryEditLogger->setFileName(file(QStringLiteral("rec.wav")));
    ASSERT_TRUE(writeBytes(file(QStringLiteral("keep.wav")), "kept"));

    // Typed without its extension: the question names the file that is replaced.
    dialogs.nextFile.push_back(file(QStringLiteral("keep")));
    QTest::mouseClick(options()->VrDemoButtonExport, Qt::LeftButton);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].contains(file(QStringLiteral("keep.wav")))) << dialogs.questions[0].toStdString();
    EXPECT_EQ(bytesOf(file(QStringLiteral("keep.wav"))), "kept") << "No keeps the file";

    dialogs.nextAnswer.push_back(true);
    dialogs.nextFile.push_back(file(QStringLiteral("keep")));
    QTest::mouseClick(options()->VrDemoButtonExport, Qt::LeftButton);
    EXPECT_EQ(bytesOf(file(QStringLiteral("keep.wav"))), "recorded");

    // A new name is written without a question.
    dialogs.nextFile.push_back(file(QStringLiteral("new")));
    QTest::mouseClick(options()->VrDemoButtonExport, Qt::LeftButton);
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(bytesOf(file(QStringLiteral("new.wav"))), "recorded");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}

TEST_P(LifecycleTest, SpecialFilesAndHugeLinesInTheDataFolderAreToldWithoutHanging)
{
    // A FIFO would block a reader for good, /dev/zero would fill the memory.
    ASSERT_EQ(::mkfifo(file(QStringLiteral("Defaults.ini")).toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), file(QStringLiteral("currentskin.skn"))));
    ASSERT_EQ(::mkfifo(file(QStringLiteral("Maro Radio Network1.dat")).toLocal8Bit().constData(), 0600), 0);
    start(dir.path());
    ASSERT_EQ(dialogs.messages.size(), 3) << dialogs.messages.join('|').toStdString();
    for (const QString &message : dialogs.messages)
        EXPECT_TRUE(message.contains(dir.path())) << message.toStdString();
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Not a regular file: "))) << dialogs.messages[0].toStdString();
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Maro Radio Network"));

    // Leaving writes over none of them.
    exitAndCountDown();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(QFileInfo(file(QStringLiteral("Defaults.ini"))).isFile() == false);
    EXPECT_EQ(QFileInfo(file(QStringLiteral("currentskin.skn"))).symLinkTarget(), QStringLiteral("/dev/zero"));
    windows.reset();
    QFile::remove(file(QStringLiteral("Defaults.ini")));
    QFile::remove(file(QStringLiteral("currentskin.skn")));
    QFile::remove(file(QStringLiteral("Maro Radio Network1.dat")));

    // A line of half a million digits is quoted in a few words.
    dialogs.messages.clear();
    ASSERT_TRUE(writeBytes(file(QStringLiteral("Defaults.ini")), "webfile.wav\r\n" + QByteArray(500000, '7') + "\r\n"));
    start(dir.path());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_LT(dialogs.messages[0].size(), 200) << dialogs.messages[0].left(300).toStdString();
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("'7777"))) << dialogs.messages[0].left(300).toStdString();
}

TEST_P(LifecycleTest, AStoredBandWhoseBlockCannotBeReadIsKeptAndNoStrayBlockIsWritten)
{
    QStringList lines{QStringLiteral("webfile.wav"), QStringLiteral("0"), QStringLiteral("0")};
    for (int k = 0; k < 11; ++k)
        lines << QStringLiteral("none") << QStringLiteral("Empty");
    lines << QStringLiteral("AC/DC");
    ASSERT_TRUE(writeBytes(file(QStringLiteral("Defaults.ini")), crlf(lines)));
    start(dir.path());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Invalid file name - AC/DC1.dat")))
        << dialogs.messages[0].toStdString();
    exitAndCountDown();
    EXPECT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(readTextLines(file(QStringLiteral("Defaults.ini"))).value(25), QStringLiteral("AC/DC"));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("1.dat"))));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("AC"))));
}

// A link someone else planted in the data folder: as root, since only root can
// give a link to another user.
TEST_P(LifecycleTest, ALinkPlantedByAnotherUserIsNeitherReadNorWrittenThrough)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can make a link that belongs to another user";
    QTemporaryDir elsewhere;
    const QString victim = QDir(elsewhere.path()).filePath(QStringLiteral("passwd"));
    ASSERT_TRUE(writeBytes(victim, "root:x:0:0\n"));
    const QByteArray link = file(QStringLiteral("Defaults.ini")).toLocal8Bit();
    ASSERT_EQ(::symlink(victim.toLocal8Bit().constData(), link.constData()), 0);
    ASSERT_EQ(::lchown(link.constData(), 65534, 65534), 0);
    start(dir.path());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("link belongs to another user")))
        << dialogs.messages[0].toStdString();
    QTest::mouseClick(form->ui().VrDemoButtonExit, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[1].contains(QString::fromLocal8Bit(link))) << dialogs.messages[1].toStdString();
    EXPECT_EQ(bytesOf(victim), "root:x:0:0\n");
    EXPECT_TRUE(QFileInfo(QString::fromLocal8Bit(link)).isSymLink());
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("Maro Radio Network1.dat")))) << "the other files are saved";
}

TEST_P(LifecycleTest, AStoredPlaceFarOffEveryScreenLeavesTheWindowOnOne)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->availableGeometry();
    struct Row {
        qint64 left;
        qint64 top;
        bool kept; // the stored place is used as it stands
    };
    const Row rows[] = {
        {INT_MAX, INT_MAX, false},
        {INT_MIN, INT_MIN, false},
        {INT_MAX, area.top(), false},
        {area.left(), INT_MIN, false},
        {area.left() + area.width(), area.top() + 10, false}, // just off the right edge
        {area.left() + area.width() - 100, area.top() + 10, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.left << ", " << row.top);
        QStringList lines(26, QString());
        lines << QString::number(row.left) << QString::number(row.top);
        writeBytes(file(QStringLiteral("Defaults.ini")), crlf(lines));
        start(dir.path());
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
        // Worked out in 64 bits: QRect's own edges overflow this far out.
        const qint64 seenWide = std::min<qint64>(qint64(form->x()) + form->width(), qint64(area.x()) + area.width())
                                - std::max<qint64>(form->x(), area.x());
        const qint64 seenHigh = std::min<qint64>(qint64(form->y()) + form->height(), qint64(area.y()) + area.height())
                                - std::max<qint64>(form->y(), area.y());
        EXPECT_GE(seenWide, 40) << form->x();
        EXPECT_GE(seenHigh, 20) << form->y();
        if (row.kept) {
            EXPECT_EQ(form->pos(), QPoint(int(row.left), int(row.top)));
        }
        windows.reset();
    }
}

// The windows the main window opens look the same whenever they are made: in the
// skin the user made, and without a skin file as they were composed.
TEST_F(LifecycleFixture, WindowsMadeAfterTheFirstShowingLookAsThoseMadeBefore)
{
    struct Look {
        QList<QImage> pictures;
        // The colours a skin gives them: titles, labels, pop-up panels, buttons.
        QStringList colours;
    };
    const auto look = [this] {
        Look l;
        // A new application palette reaches the controls through posted events.
        testsupport::handlePostedEvents();
        QWidget *opened[] = {windows->history(), windows->band(), windows->options(), windows->editor()};
        for (QWidget *w : opened)
            l.pictures << w->grab().toImage();
        const auto text = [&l](const QWidget *w) { l.colours << w->palette().color(QPalette::WindowText).name(); };
        const auto panel = [&l](const TVrBlotter *b) { l.colours << b->Color().name(); };
        const auto button = [&l](const TVrDemoButton *b) {
            l.colours << b->FontLeave().Color.name() << b->FontEnter().Color.name();
        };
        const THistoryForm *history = windows->history();
        text(history->LabelHistory);
        panel(history->VrBlotterHistory);
        button(history->VrDemoButtonHis[0]);
        button(history->VrDemoButtonCloseHistory);
        const TBandForm *band = windows->band();
        text(band->LabelStationBand);
        text(band->LabelAddGenre);
        panel(band->VrBlotterBands);
        button(band->VrDemoButtonAdd);
        const TOptionsForm *options = windows->options();
        text(options->LabelOptions);
        text(options->LabelRecFormat);
        panel(options->VrBlotterOptions);
        button(options->VrDemoButtonExport);
        const TEditStationForm *editor = windows->editor();
        text(editor->LabelEditStation);
        text(editor->LabelSTName);
        panel(editor->VrBlotterStation);
        button(editor->VrDemoButtonExit);
        return l;
    };
    const auto bothWays = [&] {
        made = WindowsMade::BeforeTheFirstShowing;
        start(dir.path());
        const Look first = look();
        windows.reset();
        made = WindowsMade::AfterTheFirstShowing;
        start(dir.path());
        const Look later = look();
        windows.reset();
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
        EXPECT_EQ(first.colours, later.colours);
        for (int i = 0; i < first.pictures.size(); ++i)
            EXPECT_EQ(first.pictures[i], later.pictures[i]) << "window " << i;
        return later;
    };
    const Look composed = bothWays();

    TSkin mine = DefaultSkin();
    mine.Active = clLime;
    mine.Passive = clYellow;
    mine.PopUp = clNavy;
    mine.ButtonText = clFuchsia;
    mine.MouseOver = clRed;
    SaveSkinFile(file(QStringLiteral("currentskin.skn")), mine);
    const Look skinned = bothWays();
    const QString active = toQColor(clLime).name(), passive = toQColor(clYellow).name();
    const QString popUp = toQColor(clNavy).name(), text = toQColor(clFuchsia).name(), over = toQColor(clRed).name();
    EXPECT_EQ(skinned.colours, QStringList({active, popUp, passive, active, text, over, // history
                                            active, passive, popUp, text, over,         // band
                                            active, passive, popUp, text, over,         // options
                                            active, passive, popUp, text, over}));      // editor
    for (int i = 0; i < composed.pictures.size(); ++i)
        EXPECT_NE(composed.pictures[i], skinned.pictures[i]) << "window " << i << " never took the skin";
}

