// Station presets on the main window: block files, paging, the station buttons,
// the editor and the history, with scripted players and a folder of the test's own.

#include "app/mainform.h"
#include "app/startup.h"
#include "childprocess.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "platform/errors.h"
#include "platform/textfile.h"
#include "playback/stationplayback.h"
#include "stations/editstationform.h"
#include "stations/historyform.h"
#include "stations/stationpresets.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrnum.h"
#include "widgets/vrspinner.h"

#include <QDir>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "waitfor.h"

#include <csignal>


// The whole program's windows in a data folder of their own.
class PresetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        createWindows(windows);
        form = windows.MainForm.get();
        form->ui().TimerSonaveo->stop();
        form->setDataDirectory(dir.path());
        form->playback()->state.online = true;
        form->presets()->LoadStationBlock(1);
        station = fake.station;
    }
    QString file(const QString &name) const { return QDir(dir.path()).filePath(name); }
    void setPreset(int n, const QString &name, const QString &url)
    {
        form->ui().VrDemoButtonStation[size_t(n - 1)]->setCaption(name);
        form->ui().EditStationURL[size_t(n - 1)]->setText(url);
    }
    QString name(int n) const { return form->ui().VrDemoButtonStation[size_t(n - 1)]->Caption(); }
    QString url(int n) const { return form->ui().EditStationURL[size_t(n - 1)]->text(); }
    void press(int n, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(form->ui().VrDemoButtonStation[size_t(n - 1)], button, Qt::NoModifier, QPoint(20, 9));
        QTest::mouseRelease(form->ui().VrDemoButtonStation[size_t(n - 1)], button, Qt::NoModifier, QPoint(20, 9));
    }
    // Answers the editor when it opens: types the given texts (if any), then
    // presses "Save and Exit".
    void answerEditor(std::optional<QString> newName = {}, std::optional<QString> newUrl = {})
    {
        QTimer::singleShot(0, [this, newName, newUrl] {
            TEditStationForm *e = windows.EditStationForm.get();
            editorSaw = {e->EditStationName->text(), e->EditStationURL->text()};
            if (newName)
                e->EditStationName->setText(*newName);
            if (newUrl)
                e->EditStationURL->setText(*newUrl);
            QTest::mouseClick(e->VrDemoButtonExit, Qt::LeftButton);
        });
    }
    QStringList historyNames() const
    {
        QStringList names;
        for (int k = 1; k <= THistoryForm::kEntries; ++k)
            names << windows.HistoryForm->entryName(k);
        return names;
    }

    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakePlatform fake;
    TApplicationWindows windows;
    TMainForm *form = nullptr;
    FakeMediaEngine *station = nullptr;
    std::pair<QString, QString> editorSaw;
};

TEST_F(PresetsTest, ABlockIsFourteenCrLfLinesInButtonOrderAndReadsBackVerbatim)
{
    EXPECT_EQ(name(1), QStringLiteral("none"));
    EXPECT_EQ(url(1), QStringLiteral("none")) << "a block without a file empties all fourteen texts";
    EXPECT_EQ(form->presets()->rememberedBandName, QStringLiteral("Maro Radio Network"));

    setPreset(1, QStringLiteral(" Radio Öresund "), QStringLiteral("http://a.example:8000/live "));
    setPreset(4, QStringLiteral("Café del Mar"), QStringLiteral("http://b.example/stream.mp3"));
    form->presets()->SaveStationBlock(1);
    const QByteArray expected = QByteArray(" Radio \xC3\x96resund \r\nhttp://a.example:8000/live \r\n") +
                                "none\r\nnone\r\nnone\r\nnone\r\n" +
                                "Caf\xC3\xA9 del Mar\r\nhttp://b.example/stream.mp3\r\n" +
                                "none\r\nnone\r\nnone\r\nnone\r\nnone\r\nnone\r\n";
    EXPECT_EQ(bytesOf(file(QStringLiteral("Maro Radio Network1.dat"))), expected);

    setPreset(1, QStringLiteral("changed"), QStringLiteral("changed"));
    form->presets()->LoadStationBlock(1);
    EXPECT_EQ(name(1), QStringLiteral(" Radio Öresund "));
    EXPECT_EQ(url(1), QStringLiteral("http://a.example:8000/live "));
    EXPECT_EQ(name(4), QStringLiteral("Café del Mar"));
}

TEST_F(PresetsTest, ShortAndWindowsFilesLoadAndBandNamesJoinTheBlockNumber)
{
    writeBytes(file(QStringLiteral("Maro Radio Network1.dat")), "One\r\nhttp://one\r\nTwo\r\n");
    form->presets()->LoadStationBlock(1);
    EXPECT_EQ(name(1), QStringLiteral("One"));
    EXPECT_EQ(url(1), QStringLiteral("http://one"));
    EXPECT_EQ(name(2), QStringLiteral("Two"));
    EXPECT_EQ(url(2), QString());
    EXPECT_EQ(name(7), QString());

    writeBytes(file(QStringLiteral("Maro Radio Network2.dat")), "Radio K\xD6LN\r\nhttp://koeln\r\n");
    form->presets()->LoadStationBlock(2);
    EXPECT_EQ(name(1), QStringLiteral("Radio KÖLN"));

    form->ui().Labelgenre->setText(QStringLiteral("Top 40"));
    EXPECT_EQ(form->presets()->blockFileName(12), file(QStringLiteral("Top 4012.dat")));
    form->ui().Labelgenre->setText(QStringLiteral("Top 401"));
    EXPECT_EQ(form->presets()->blockFileName(2), file(QStringLiteral("Top 4012.dat")));
}

TEST_F(PresetsTest, SavingUnderTheHistoryMarkerWritesTheRememberedBand)
{
    form->ui().Labelgenre->setText(QStringLiteral("Jazz"));
    form->presets()->LoadStationBlock(1);
    form->ui().Labelgenre->setText(QStringLiteral("Station History"));
    setPreset(2, QStringLiteral("Blue Note"), QStringLiteral("http://jazz"));
    form->presets()->SaveStationBlock(1);
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Jazz"));
    EXPECT_EQ(readTextLines(file(QStringLiteral("Jazz1.dat"))).value(2), QStringLiteral("Blue Note"));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("Station History1.dat"))));
}

TEST_F(PresetsTest, PagingSavesTheBlockItLeavesAndStopsAtOneAndAHundred)
{
    setPreset(1, QStringLiteral("First"), QStringLiteral("http://first"));
    form->presets()->VrSpinnerStationDownClick();
    EXPECT_EQ(form->ui().VrNumBlock->displayText(), QStringLiteral("001"));
    EXPECT_EQ(name(1), QStringLiteral("First")) << "the same block saved and loaded again";

    form->presets()->VrSpinnerStationUpClick();
    EXPECT_EQ(form->ui().VrNumBlock->displayText(), QStringLiteral("002"));
    EXPECT_EQ(name(1), QStringLiteral("none"));
    form->presets()->VrSpinnerStationDownClick();
    EXPECT_EQ(name(1), QStringLiteral("First"));

    form->ui().VrNumBlock->setValue(100);
    form->presets()->LoadStationBlock(100);
    setPreset(7, QStringLiteral("Last"), QStringLiteral("http://last"));
    form->presets()->VrSpinnerStationUpClick();
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 100);
    EXPECT_EQ(name(7), QStringLiteral("Last"));
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("Maro Radio Network100.dat"))));
}

TEST_F(PresetsTest, HoldingTheUpArrowPagesBlockByBlock)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->setDataDirectory(dir.path()); // the first showing took the current folder
    int steps = 0;
    QObject::connect(form->ui().VrSpinnerStation, &TVrSpinner::OnUpClick, [&] { ++steps; });
    const QPoint up = form->ui().VrSpinnerStation->arrowShape(TVrSpinner::UpArrow).boundingRect().center();
    QTest::mousePress(form->ui().VrSpinnerStation, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_TRUE(testsupport::waitFor([&] { return steps >= 3; }, "three pages"));
    QTest::mouseRelease(form->ui().VrSpinnerStation, Qt::LeftButton, Qt::NoModifier, up);
    // A busy machine may page once more before the release arrives; each page
    // is one block on, and each block left is saved.
    const int pages = steps;
    ASSERT_GE(pages, 3);
    EXPECT_EQ(form->ui().VrNumBlock->Value(), pages + 1);
    for (int n = 1; n <= pages; ++n) {
        const QStringList lines = readTextLines(file(QStringLiteral("Maro Radio Network%1.dat").arg(n)));
        EXPECT_EQ(lines, QStringList(14, QStringLiteral("none"))) << n;
    }
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("Maro Radio Network%1.dat").arg(pages + 1))));
    testsupport::whileATimerTicks(100, 3);
    EXPECT_EQ(steps, pages) << "no page after the release";
}

TEST_F(PresetsTest, UpAndDownKeysPageLikeTheArrowsOnceTheSpinnerHasTheFocus)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->setDataDirectory(dir.path()); // the first showing took the current folder
    form->presets()->LoadStationBlock(1);
    writeBytes(file(QStringLiteral("Maro Radio Network2.dat")), "Block Two\r\nhttp://two\r\n");
    TVrSpinner *spinner = form->ui().VrSpinnerStation;

    // A click beside the arrows pages nothing but takes the focus.
    const QRect upBox = spinner->arrowShape(TVrSpinner::UpArrow).boundingRect();
    QTest::mouseClick(spinner, Qt::LeftButton, Qt::NoModifier, upBox.topLeft() + QPoint(1, 1));
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 1);
    ASSERT_EQ(QApplication::focusWidget(), spinner);

    // Keys go to the focused widget, as a user's would.
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Up);
    EXPECT_EQ(form->ui().VrNumBlock->displayText(), QStringLiteral("002"));
    EXPECT_EQ(name(1), QStringLiteral("Block Two"));
    EXPECT_EQ(url(1), QStringLiteral("http://two"));
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Down);
    EXPECT_EQ(form->ui().VrNumBlock->displayText(), QStringLiteral("001"));
    EXPECT_EQ(name(1), QStringLiteral("none"));

    // A held key pages once for each repeat the keyboard sends.
    for (int n = 0; n < 3; ++n) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), n > 0);
        QApplication::sendEvent(QApplication::focusWidget(), &repeat);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &release);
    EXPECT_EQ(form->ui().VrNumBlock->displayText(), QStringLiteral("004"));
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("Maro Radio Network3.dat")))) << "each page saves the block it leaves";

    // Tab reaches the spinner too.
    form->ui().VrNumBlock->setFocus();
    bool reached = false;
    for (int n = 0; n < 100 && !reached; ++n) {
        QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Tab);
        reached = QApplication::focusWidget() == spinner;
    }
    EXPECT_TRUE(reached);
}

TEST_F(PresetsTest, LeftPressesTuneAndFillTheHistoryNewestFirst)
{
    setPreset(3, QStringLiteral("Radio A"), QStringLiteral("http://u"));
    for (int k = 1; k <= 11; ++k)
        windows.HistoryForm->setEntry(k, QStringLiteral("old %1").arg(k), QStringLiteral("http://old/%1").arg(k));

    press(3);
    EXPECT_EQ(station->calls, QStringList({"stop", "url:http://u", "play"}));
    EXPECT_EQ(windows.HistoryForm->entryName(1), QStringLiteral("Radio A"));
    EXPECT_EQ(windows.HistoryForm->entryUrl(1), QStringLiteral("http://u"));
    EXPECT_EQ(windows.HistoryForm->entryName(2), QStringLiteral("old 1"));
    EXPECT_EQ(windows.HistoryForm->entryUrl(11), QStringLiteral("http://old/10"));

    // An empty slot tunes nothing but still enters the history.
    station->calls.clear();
    press(5);
    EXPECT_TRUE(station->calls.isEmpty());
    EXPECT_EQ(windows.HistoryForm->entryName(1), QStringLiteral("none"));

    // Offline: a connection attempt first, nothing tuned, the entry all the same.
    fake.network->connected = false;
    form->playback()->state.online = false;
    press(3);
    EXPECT_EQ(fake.network->connectAttempts, 1);
    EXPECT_TRUE(station->calls.isEmpty());
    EXPECT_EQ(windows.HistoryForm->entryName(1), QStringLiteral("Radio A"));

    // Twelve presses keep the last eleven.
    fake.network->connected = true;
    form->playback()->state.online = true;
    for (int i = 1; i <= 7; ++i)
        setPreset(i, QStringLiteral("S%1").arg(i), QStringLiteral("http://s/%1").arg(i));
    for (int i = 0; i < 12; ++i)
        press(i % 7 + 1);
    EXPECT_EQ(historyNames(), QStringList({"S5", "S4", "S3", "S2", "S1", "S7", "S6", "S5", "S4", "S3", "S2"}));
}

TEST_F(PresetsTest, TheEditorTakesBothFieldsBackAndSavesTheBlock)
{
    setPreset(2, QStringLiteral("Radio B"), QStringLiteral("http://b"));
    form->presets()->SaveStationBlock(1);
    const QByteArray before = bytesOf(file(QStringLiteral("Maro Radio Network1.dat")));
    QFile::remove(file(QStringLiteral("Maro Radio Network1.dat")));

    answerEditor();
    press(2, Qt::RightButton);
    EXPECT_EQ(editorSaw, std::make_pair(QStringLiteral("Radio B"), QStringLiteral("http://b")));
    EXPECT_EQ(bytesOf(file(QStringLiteral("Maro Radio Network1.dat"))), before) << "rewritten unchanged";
    EXPECT_TRUE(station->calls.isEmpty()) << "editing tunes nothing";

    // Typing "none" empties the slot for tuning but keeps its URL.
    answerEditor(QStringLiteral("none"));
    press(2, Qt::MiddleButton);
    EXPECT_EQ(name(2), QStringLiteral("none"));
    EXPECT_EQ(url(2), QStringLiteral("http://b"));
    press(2);
    EXPECT_TRUE(station->calls.isEmpty());

    // Under the history marker the edit goes into the band's own file.
    form->ui().Labelgenre->setText(QStringLiteral("Station History"));
    answerEditor(QStringLiteral("Radio C"), QStringLiteral("http://c"));
    press(6, Qt::RightButton);
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Maro Radio Network"));
    EXPECT_EQ(readTextLines(file(QStringLiteral("Maro Radio Network1.dat"))).value(10), QStringLiteral("Radio C"));

    // Closing the editor any other way takes the fields back too.
    QTimer::singleShot(0, [this] {
        windows.EditStationForm->EditStationName->setText(QStringLiteral("Radio D"));
        windows.EditStationForm->reject();
    });
    press(7, Qt::RightButton);
    EXPECT_EQ(name(7), QStringLiteral("Radio D"));
    EXPECT_EQ(readTextLines(file(QStringLiteral("Maro Radio Network1.dat"))).value(12), QStringLiteral("Radio D"));
}

TEST_F(PresetsTest, PastedLineBreaksAndVeryLongTextsKeepEveryPresetOnItsLines)
{
    setPreset(7, QStringLiteral("Seventh"), QStringLiteral("http://seventh"));
    // A URL with a long token, far past the edit fields' usual 32767 characters.
    const QString longUrl = QStringLiteral("http://long.example/?t=") + QString(40000, QLatin1Char('a'));
    answerEditor(QStringLiteral("Radio\nX"), QStringLiteral("http://x\r\n/stream"));
    press(1, Qt::RightButton);
    answerEditor(std::nullopt, longUrl);
    press(2, Qt::RightButton);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();

    const QStringList lines = readTextLines(file(QStringLiteral("Maro Radio Network1.dat")));
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0], QStringLiteral("Radio X"));
    EXPECT_EQ(lines[1], QStringLiteral("http://x /stream"));
    EXPECT_EQ(lines[3], longUrl);
    EXPECT_EQ(lines[12], QStringLiteral("Seventh"));
    EXPECT_EQ(lines[13], QStringLiteral("http://seventh"));

    // What the file holds comes back whole, and a second edit keeps it so.
    setPreset(2, QStringLiteral("x"), QStringLiteral("x"));
    form->presets()->LoadStationBlock(1);
    EXPECT_EQ(url(2), longUrl);
    answerEditor();
    press(2, Qt::RightButton);
    EXPECT_EQ(editorSaw.second, longUrl);
    EXPECT_EQ(readTextLines(file(QStringLiteral("Maro Radio Network1.dat")))[3], longUrl);
}

TEST_F(PresetsTest, AHistoryClickTunesTheEntryAndMarksTheBandLabel)
{
    for (int k = 1; k <= 11; ++k)
        windows.HistoryForm->setEntry(k, QStringLiteral("H%1").arg(k), QStringLiteral("http://h/%1").arg(k));
    const QStringList before = historyNames();
    QTimer::singleShot(0, [this] {
        QTest::mouseClick(windows.HistoryForm->VrDemoButtonHis[4], Qt::LeftButton);
        QTest::mouseClick(windows.HistoryForm->VrDemoButtonCloseHistory, Qt::LeftButton);
    });
    QTest::mouseClick(form->ui().VrDemoButtonHistory, Qt::LeftButton);
    EXPECT_EQ(station->calls, QStringList({"stop", "url:http://h/5", "play"}));
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Station History"));
    EXPECT_EQ(historyNames(), before);
    EXPECT_FALSE(windows.HistoryForm->isVisible());

    // An entry named "none" tunes nothing but marks all the same; the next
    // station-button press puts the band back.
    station->calls.clear();
    form->ui().Labelgenre->setText(QStringLiteral("Maro Radio Network"));
    windows.HistoryForm->setEntry(3, QStringLiteral("none"), QStringLiteral("Empty"));
    windows.HistoryForm->VrDemoButtonHisClick(3);
    EXPECT_TRUE(station->calls.isEmpty());
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Station History"));
    press(1);
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Maro Radio Network"));
}

TEST_F(PresetsTest, BandNamesThatLeaveTheDataFolderTouchNoFile)
{
    QTemporaryDir outside;
    form->setDataDirectory(QDir(dir.path()).filePath(QStringLiteral("data")));
    QDir().mkpath(form->dataDirectory());
    const QString before = name(1);
    for (const char *band : {"../x", "a/b", "."}) {
        form->ui().Labelgenre->setText(QLatin1String(band));
        dialogs.messages.clear();
        QTest::mouseClick(form->ui().VrSpinnerStation, Qt::LeftButton, Qt::NoModifier,
                          form->ui().VrSpinnerStation->arrowShape(TVrSpinner::UpArrow).boundingRect().center());
        if (QLatin1String(band) == QLatin1String(".")) {
            // "." joined with the block number is an ordinary file inside the folder.
            EXPECT_TRUE(QFile::exists(QDir(form->dataDirectory()).filePath(QStringLiteral(".1.dat"))));
            continue;
        }
        ASSERT_EQ(dialogs.messages.size(), 1) << band;
        EXPECT_TRUE(dialogs.messages.first().startsWith(QStringLiteral("Invalid file name - "))) << band;
        EXPECT_EQ(form->ui().VrNumBlock->Value(), 1) << "a failed save leaves the block where it was";
        EXPECT_EQ(name(1), before);
    }
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("x*")}).isEmpty());
    EXPECT_FALSE(QDir(dir.path()).exists(QStringLiteral("a")));
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("x1.dat"))));
}

// Runs in a child process: as root it needs a mount namespace of its own.
TEST_F(PresetsTest, ASaveIntoAReadOnlyFolderShowsWhyAndKeepsFileAndPresets)
{
    if (::geteuid() == 0 && !childprocess::isChild("SONAVEO_MOUNT_CHILD")) {
        QString output;
        EXPECT_TRUE(childprocess::runPassed(QStringLiteral("PresetsTest.ASaveIntoAReadOnly*"), "SONAVEO_MOUNT_CHILD",
                                            {QStringLiteral("unshare"), QStringLiteral("-m"),
                                             QStringLiteral("--propagation"), QStringLiteral("private")},
                                            &output))
            << output.toStdString();
        return;
    }
    setPreset(1, QStringLiteral("Kept"), QStringLiteral("http://kept"));
    form->presets()->SaveStationBlock(1);
    const QByteArray old = bytesOf(file(QStringLiteral("Maro Radio Network1.dat")));
    ASSERT_TRUE(childprocess::makeReadOnly(dir.path()));

    answerEditor(QStringLiteral("Edited"), QStringLiteral("http://edited"));
    press(1, Qt::RightButton);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().contains(file(QStringLiteral("Maro Radio Network1.dat"))))
        << dialogs.messages.first().toStdString();
    EXPECT_EQ(bytesOf(file(QStringLiteral("Maro Radio Network1.dat"))), old);
    EXPECT_EQ(name(1), QStringLiteral("Edited")) << "the edit stays on the button for the next save";

    EXPECT_THROW(form->presets()->VrSpinnerStationUpClick(), EInOutError);
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 1) << "a failed save leaves the block where it was";
    EXPECT_EQ(name(1), QStringLiteral("Edited"));
}

// A block save killed at any moment leaves the old or the new fourteen lines.
TEST(BlockSave, AKillDuringSavingNeverLeavesAShortFile)
{
    if (childprocess::isChild("SONAVEO_SAVE_LOOP")) {
        FakePlatform fake;
        TMainForm form;
        form.ui().TimerSonaveo->stop();
        form.setDataDirectory(qEnvironmentVariable("SONAVEO_SAVE_LOOP"));
        for (int i = 0;; ++i) {
            for (int n = 0; n < 7; ++n) {
                form.ui().VrDemoButtonStation[size_t(n)]->setCaption(QString(1 + (i * 7 + n) % 300, QLatin1Char('x')));
                form.ui().EditStationURL[size_t(n)]->setText(QStringLiteral("http://radio/%1").arg(i));
            }
            form.presets()->SaveStationBlock(1);
        }
    }
    QTemporaryDir dir;
    const QString block = QDir(dir.path()).filePath(QStringLiteral("Maro Radio Network1.dat"));
    for (int round = 0; round < 8; ++round) {
        QProcess child;
        childprocess::start(child, QStringLiteral("BlockSave.*"), "SONAVEO_SAVE_LOOP", dir.path());
        ASSERT_TRUE(child.waitForStarted());
        ASSERT_TRUE(testsupport::waitFor([&] { return QFile::exists(block); }, "the first save"));
        // Killed at a different moment of its saving in each round, on purpose.
        QTest::qWait(30 + 37 * round);
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(5000);
        EXPECT_EQ(readTextLines(block).size(), 14) << "round " << round;
    }
}
