// Station bands: the band chooser's list and its file, and choosing a band on
// the main window. The band list and the block files live in the data folder;
// the test starts from a current folder of its own, which stays untouched.

#include "app/mainform.h"
#include "app/startup.h"
#include "childprocess.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "platform/errors.h"
#include "platform/textfile.h"
#include "playback/stationplayback.h"
#include "stations/bandform.h"
#include "stations/stationpresets.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrnum.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {
const QStringList kBuiltIn = {
    QStringLiteral("Alternative"),  QStringLiteral("Blues-Jazz"),         QStringLiteral("Christian"),
    QStringLiteral("Classical"),    QStringLiteral("Country"),            QStringLiteral("Dance-Techno"),
    QStringLiteral("Folk"),         QStringLiteral("Heavy Metal"),        QStringLiteral("Maro Radio Network"),
    QStringLiteral("News"),         QStringLiteral("Oldies"),             QStringLiteral("Others - Favorites"),
    QStringLiteral("Others - New"), QStringLiteral("Police"),             QStringLiteral("Pop-Rock"),
    QStringLiteral("Reggae"),       QStringLiteral("Sport"),              QStringLiteral("Talk"),
    QStringLiteral("Top 40"),
};

QByteArray crlfLines(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}
} // namespace

class BandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(current.path()));
        createWindows(windows);
        form = windows.MainForm.get();
        bands = windows.BandForm.get();
        form->ui().TimerSonaveo->stop();
        form->setDataDirectory(data.path());
        form->playback()->state.online = true;
        form->presets()->LoadStationBlock(1);
    }
    void TearDown() override { QDir::setCurrent(savedCurrent); }

    QString bandList() const { return QDir(data.path()).filePath(QStringLiteral("stationbands.ini")); }
    QString dataFile(const QString &name) const { return QDir(data.path()).filePath(name); }
    QString station(int n) const { return form->ui().VrDemoButtonStation[size_t(n - 1)]->Caption(); }
    void highlight(const QString &name)
    {
        const QList<QListWidgetItem *> items = bands->ListBoxBands->findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty()) << name.toStdString();
        bands->ListBoxBands->setCurrentItem(items.first());
        ASSERT_TRUE(bands->hasHighlight());
    }
    void click(TVrDemoButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Opens the chooser from the main window's button; once it shows, does what
    // the test asks (highlighting, say) and presses the given button.
    void chooseBand(std::function<TVrDemoButton *()> answer)
    {
        QTimer::singleShot(0, [this, answer] {
            shownWith = bands->bandNames();
            highlightOnShow = bands->hasHighlight();
            click(answer());
        });
        click(form->ui().VrDemoButtonBand);
    }

    QTemporaryDir current;
    QTemporaryDir data;
    QString savedCurrent;
    FakeDialogs dialogs;
    FakePlatform fake;
    TApplicationWindows windows;
    TMainForm *form = nullptr;
    TBandForm *bands = nullptr;
    QStringList shownWith;
    bool highlightOnShow = false;
};

TEST_F(BandsTest, TheChooserOffersTheNineteenBuiltInBandsSortedInItsComposition)
{
    EXPECT_EQ(bands->bandNames(), kBuiltIn);
    EXPECT_FALSE(bands->hasHighlight());
    EXPECT_EQ(bands->size(), QSize(238, 387));
    EXPECT_EQ(bands->LabelStationBand->text(), QStringLiteral("Choose Station Band"));
    EXPECT_EQ(bands->LabelAddGenre->text(), QStringLiteral("Enter new Station Band:"));
    EXPECT_EQ(bands->LabelAddGenre->pos(), QPoint(10, 270));
    EXPECT_EQ(bands->ListBoxBands->geometry(), QRect(4, 3, 214, 227));
    EXPECT_EQ(bands->ListBoxBands->parentWidget()->objectName(), QStringLiteral("VrBlotterBand"));
    EXPECT_EQ(bands->EditNewStationBand->geometry(), QRect(6, 5, 210, 16));
    EXPECT_EQ(bands->EditNewStationBand->text(), QString());
    const std::pair<TVrDemoButton *, QString> buttons[] = {
        {bands->VrDemoButtonRemove, QStringLiteral("Remove Band")},
        {bands->VrDemoButtonAdd, QStringLiteral("Add Band")},
        {bands->VrDemoButtonCancelBand, QStringLiteral("Cancel")},
        {bands->VrDemoButtonSelectBand, QStringLiteral("Select Band")},
    };
    for (const auto &[button, caption] : buttons)
        EXPECT_EQ(button->Caption(), caption);
    EXPECT_EQ(bands->VrDemoButtonSelectBand->geometry(), QRect(122, 352, 106, 24));
    for (const char *name : {"VrBlotterBands", "LabelStationBand", "LabelAddGenre", "VrBlotterBand", "ListBoxBands",
                             "VrBlotter1", "EditNewStationBand", "VrDemoButtonRemove", "VrDemoButtonAdd",
                             "VrDemoButtonCancelBand", "VrDemoButtonSelectBand"})
        EXPECT_NE(bands->findChild<QWidget *>(QLatin1String(name)), nullptr) << name;
    EXPECT_FALSE(QFile::exists(bandList())) << "the file comes with the first add or remove";
}

TEST_F(BandsTest, SelectWithNothingHighlightedKeepsTheBandEvenTheHistoryMarkerAndReloadsBlockOne)
{
    writeBytes(dataFile(QStringLiteral("Station History1.dat")), "Kept\r\nhttp://kept\r\n");
    form->ui().Labelgenre->setText(QStringLiteral("Station History"));
    form->ui().VrNumBlock->setValue(5);
    chooseBand([this] { return bands->VrDemoButtonSelectBand; });
    EXPECT_FALSE(highlightOnShow);
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Station History"));
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 1);
    EXPECT_EQ(station(1), QStringLiteral("Kept")) << "block 1 of the band the label names";
    EXPECT_EQ(form->presets()->rememberedBandName, QStringLiteral("Station History"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(BandsTest, CancelChangesNothingNotEvenTheBlockNumber)
{
    writeBytes(dataFile(QStringLiteral("Top 401.dat")), "Hit Radio\r\nhttp://hits\r\n");
    form->ui().VrNumBlock->setValue(7);
    form->ui().VrDemoButtonStation[0]->setCaption(QStringLiteral("On the button"));
    chooseBand([this] {
        highlight(QStringLiteral("Top 40"));
        return bands->VrDemoButtonCancelBand;
    });
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Maro Radio Network"));
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 7);
    EXPECT_EQ(station(1), QStringLiteral("On the button"));
    EXPECT_FALSE(QFile::exists(bandList()));
}

TEST_F(BandsTest, ChoosingTop40LoadsItsFirstBlockFromTheDataFolderBySelectOrDoubleClick)
{
    writeBytes(dataFile(QStringLiteral("Top 401.dat")), "Hit Radio\r\nhttp://hits\r\n");
    writeBytes(dataFile(QStringLiteral("Blues-Jazz1.dat")), "Blue Note\r\nhttp://blue\r\n");
    form->ui().VrNumBlock->setValue(3);
    chooseBand([this] {
        highlight(QStringLiteral("Top 40"));
        return bands->VrDemoButtonSelectBand;
    });
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Top 40"));
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 1);
    EXPECT_EQ(station(1), QStringLiteral("Hit Radio"));
    EXPECT_EQ(form->ui().EditStationURL[0]->text(), QStringLiteral("http://hits"));
    EXPECT_EQ(station(2), QString()) << "a short block file leaves the rest empty";

    // A double click on a row chooses it.
    QTimer::singleShot(0, [this] {
        QListWidget *list = bands->ListBoxBands;
        const QRect row = list->visualItemRect(list->findItems(QStringLiteral("Blues-Jazz"), Qt::MatchExactly).first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    });
    click(form->ui().VrDemoButtonBand);
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Blues-Jazz"));
    EXPECT_EQ(station(1), QStringLiteral("Blue Note"));
}

TEST_F(BandsTest, AddWritesTheWholeSortedListAcceptingDuplicatesAndASingleBlank)
{
    bands->EditNewStationBand->setText(QString());
    click(bands->VrDemoButtonAdd);
    EXPECT_FALSE(QFile::exists(bandList())) << "an empty name adds nothing";

    bands->EditNewStationBand->setText(QStringLiteral("Reggae"));
    click(bands->VrDemoButtonAdd);
    QStringList expected = kBuiltIn;
    expected.insert(expected.indexOf(QStringLiteral("Reggae")), QStringLiteral("Reggae"));
    EXPECT_EQ(bytesOf(bandList()), crlfLines(expected)) << "both equal entries are written";
    EXPECT_EQ(bands->EditNewStationBand->text(), QStringLiteral("Reggae")) << "the field keeps its text";

    bands->EditNewStationBand->setText(QStringLiteral(" "));
    click(bands->VrDemoButtonAdd);
    expected.prepend(QStringLiteral(" "));
    EXPECT_EQ(bands->bandNames(), expected);
    EXPECT_EQ(bytesOf(bandList()), crlfLines(expected));

    bands->EditNewStationBand->setText(QStringLiteral("jazz Café"));
    click(bands->VrDemoButtonAdd);
    EXPECT_EQ(bands->bandNames().indexOf(QStringLiteral("jazz Café")), bands->bandNames().indexOf(QStringLiteral("Heavy Metal")) + 1)
        << "letter case does not decide the place";
    EXPECT_TRUE(bytesOf(bandList()).contains("Heavy Metal\r\njazz Caf\xC3\xA9\r\nMaro Radio Network\r\n"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(BandsTest, RemoveRewritesTheFileAndWithNothingHighlightedWritesTheListUnchanged)
{
    click(bands->VrDemoButtonRemove);
    EXPECT_EQ(bytesOf(bandList()), crlfLines(kBuiltIn)) << "the built-in list becomes the file";

    highlight(QStringLiteral("Police"));
    click(bands->VrDemoButtonRemove);
    QStringList expected = kBuiltIn;
    expected.removeOne(QStringLiteral("Police"));
    EXPECT_EQ(bytesOf(bandList()), crlfLines(expected));
    EXPECT_FALSE(bands->hasHighlight());

    click(bands->VrDemoButtonRemove);
    EXPECT_EQ(bytesOf(bandList()), crlfLines(expected)) << "a second press removes nothing more";

    // The main window keeps a band that was removed from the list.
    form->ui().Labelgenre->setText(QStringLiteral("Police"));
    highlight(QStringLiteral("Talk"));
    click(bands->VrDemoButtonRemove);
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Police"));
}

TEST_F(BandsTest, ActivationReloadsTheFileOfTheDataFolderAndClearsTheHighlight)
{
    // Without a file the list and its highlight stay from the last showing.
    highlight(QStringLiteral("News"));
    chooseBand([this] { return bands->VrDemoButtonCancelBand; });
    EXPECT_EQ(shownWith, kBuiltIn);
    EXPECT_TRUE(highlightOnShow);

    // Any line end splits, an empty line is a band, and the list sorts the lines.
    writeBytes(bandList(), "Schlager\r\nAmbient\n\rChill\rDub\r\n");
    chooseBand([this] { return bands->VrDemoButtonCancelBand; });
    EXPECT_EQ(shownWith, (QStringList{QString(), QStringLiteral("Ambient"), QStringLiteral("Chill"),
                                      QStringLiteral("Dub"), QStringLiteral("Schlager")}));
    EXPECT_FALSE(highlightOnShow);

    // Read from and written to the data folder whatever the current folder became
    // since, and a list in that folder is neither read nor changed.
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    writeBytes(QDir(elsewhere.path()).filePath(QStringLiteral("stationbands.ini")), "Only\r\n");
    bands->FormActivate();
    EXPECT_EQ(bands->bandNames(), (QStringList{QString(), QStringLiteral("Ambient"), QStringLiteral("Chill"),
                                               QStringLiteral("Dub"), QStringLiteral("Schlager")}));
    bands->EditNewStationBand->setText(QStringLiteral("Next"));
    click(bands->VrDemoButtonAdd);
    EXPECT_EQ(bytesOf(QDir(elsewhere.path()).filePath(QStringLiteral("stationbands.ini"))), "Only\r\n");
    EXPECT_TRUE(bytesOf(bandList()).contains("Dub\r\nNext\r\nSchlager\r\n"));
    QDir::setCurrent(current.path());
    EXPECT_TRUE(QDir(current.path()).isEmpty()) << "nothing lands in the folder the program started from";
}

// Runs in a child process: as root it needs a mount namespace of its own.
TEST_F(BandsTest, AFailedWriteShowsWhyKeepsTheOldFileAndTheListsChange)
{
    if (::geteuid() == 0 && !childprocess::isChild("SONAVEO_MOUNT_CHILD")) {
        QString output;
        EXPECT_TRUE(childprocess::runPassed(QStringLiteral("BandsTest.AFailedWrite*"), "SONAVEO_MOUNT_CHILD",
                                            {QStringLiteral("unshare"), QStringLiteral("-m"),
                                             QStringLiteral("--propagation"), QStringLiteral("private")},
                                            &output))
            << output.toStdString();
        return;
    }
    writeBytes(bandList(), "Old\r\n");
    bands->FormActivate();
    ASSERT_TRUE(childprocess::makeReadOnly(data.path()));

    bands->EditNewStationBand->setText(QStringLiteral("New"));
    click(bands->VrDemoButtonAdd);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().endsWith(QStringLiteral(": ") + bandList()))
        << dialogs.messages.first().toStdString();
    EXPECT_GT(dialogs.messages.first().size(), (QStringLiteral(": ") + bandList()).size()) << "a reason comes first";
    EXPECT_EQ(bytesOf(bandList()), "Old\r\n");
    EXPECT_EQ(bands->bandNames(), (QStringList{QStringLiteral("New"), QStringLiteral("Old")}));

    highlight(QStringLiteral("Old"));
    click(bands->VrDemoButtonRemove);
    EXPECT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(bands->bandNames(), QStringList{QStringLiteral("New")});
    EXPECT_EQ(bytesOf(bandList()), "Old\r\n");
}

TEST_F(BandsTest, ABandWhoseFirstBlockCannotBeReadLeavesBandBlockAndPresetsAsTheyWere)
{
    writeBytes(dataFile(QStringLiteral("Rock1.dat")), crlfLines(QStringList(14, QStringLiteral("one"))));
    writeBytes(dataFile(QStringLiteral("Rock3.dat")), crlfLines(QStringList(14, QStringLiteral("three"))));
    // A band of its own whose block 1 is a folder, one whose name is no file name.
    ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("Broken1.dat")));
    writeBytes(bandList(), crlfLines({QStringLiteral("AC/DC"), QStringLiteral("Broken"), QStringLiteral("Rock")}));
    form->ui().Labelgenre->setText(QStringLiteral("Rock"));
    form->presets()->LoadStationBlock(1);
    form->presets()->VrSpinnerStationUpClick();
    form->presets()->VrSpinnerStationUpClick();
    ASSERT_EQ(station(1), QStringLiteral("three"));

    for (const QString &band : {QStringLiteral("AC/DC"), QStringLiteral("Broken")}) {
        dialogs.messages.clear();
        chooseBand([&] {
            highlight(band);
            return bands->VrDemoButtonSelectBand;
        });
        ASSERT_EQ(dialogs.messages.size(), 1) << band.toStdString();
        EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Rock")) << band.toStdString();
        EXPECT_EQ(form->ui().VrNumBlock->Value(), 3) << band.toStdString();
        EXPECT_EQ(station(1), QStringLiteral("three")) << band.toStdString();
    }
    EXPECT_TRUE(dialogs.messages.first().contains(dataFile(QStringLiteral("Broken1.dat"))));

    // Leaving saves block 3 where it belongs; block 1 keeps its own presets.
    form->presets()->SaveStationBlock(form->ui().VrNumBlock->Value());
    EXPECT_EQ(bytesOf(dataFile(QStringLiteral("Rock1.dat"))), crlfLines(QStringList(14, QStringLiteral("one"))));
    EXPECT_EQ(bytesOf(dataFile(QStringLiteral("Rock3.dat"))), crlfLines(QStringList(14, QStringLiteral("three"))));
    EXPECT_FALSE(QFile::exists(dataFile(QStringLiteral("1.dat"))));
}

TEST_F(BandsTest, AnUnreadableBlockShowsEmptySlotsAndIsNeverSavedOverUnlessEdited)
{
    // Block 2 cannot be read: something else stands in the file's place.
    writeBytes(dataFile(QStringLiteral("Maro Radio Network1.dat")), crlfLines(QStringList(14, QStringLiteral("one"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dataFile(QStringLiteral("Maro Radio Network2.dat"))));
    form->presets()->LoadStationBlock(1);
    EXPECT_THROW(form->presets()->VrSpinnerStationUpClick(), EInOutError);
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 2);
    EXPECT_EQ(station(1), QStringLiteral("none")) << "block 1's presets are not shown as block 2's";
    // Paging on passes the block without writing block 1's presets into it.
    form->presets()->VrSpinnerStationUpClick();
    EXPECT_EQ(form->ui().VrNumBlock->Value(), 3);
    EXPECT_EQ(QFileInfo(dataFile(QStringLiteral("Maro Radio Network2.dat"))).symLinkTarget(),
              QStringLiteral("/dev/zero"));
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Maro Radio Network"));
}

TEST_F(BandsTest, ALineBreakInANewBandNameStaysOneBand)
{
    bands->EditNewStationBand->setText(QStringLiteral("Two\nLines"));
    click(bands->VrDemoButtonAdd);
    EXPECT_TRUE(bands->bandNames().contains(QStringLiteral("Two Lines")));
    const QStringList written = QString::fromUtf8(bytesOf(bandList())).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(written.size(), kBuiltIn.size() + 1);
    EXPECT_TRUE(written.contains(QStringLiteral("Two Lines")));
}

TEST_F(BandsTest, AHugeOrEndlessBandListIsRefusedAndTheListStays)
{
    const QStringList before = bands->bandNames();
    QByteArray many;
    for (int i = 0; i < kMaxBands + 1; ++i)
        many += "B" + QByteArray::number(i) + "\r\n";
    const std::pair<const char *, QByteArray> files[] = {
        {"too many bands", many},
        {"one line over the size limit", QByteArray(kMaxTextFileSize + 1, 'x')},
    };
    for (const auto &[what, bytes] : files) {
        writeBytes(bandList(), bytes);
        dialogs.messages.clear();
        bands->show();
        bands->hide();
        ASSERT_EQ(dialogs.messages.size(), 1) << what;
        EXPECT_TRUE(dialogs.messages.first().contains(bandList())) << what;
        EXPECT_EQ(bands->bandNames(), before) << what;
    }
    // Ten thousand bands are a list like any other.
    many.truncate(many.lastIndexOf("B"));
    writeBytes(bandList(), many);
    dialogs.messages.clear();
    bands->FormActivate();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(bands->bandNames().size(), kMaxBands);
}
