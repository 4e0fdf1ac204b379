// Tuning, the status tick, volume and Disconnect on scripted players, tick by tick.

#include "app/mainform.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "platform/errorguard.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"
#include "recording/recorder.h"
#include "widgets/timage.h"
#include "widgets/vrclock.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrmatrix.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
constexpr int kPlaying = 3;
constexpr int kStopped = 1;
} // namespace

class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TMainForm>();
        form->ui().TimerSonaveo->stop(); // the test ticks by hand
        station = fake.station;
        rec = fake.recording;
        ASSERT_NE(station, nullptr);
        ASSERT_NE(rec, nullptr);
        tick(); // the first tick finds the network
        station->calls.clear();
        rec->calls.clear();
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            guarded([this] { form->playback()->TimerSonaveoTimer(); });
    }
    QString clock(TVrClock *c) const { return c->displayText(); }
    TPlaybackState &state() { return form->playback()->state; }

    FakeDialogs dialogs;
    FakePlatform fake;
    std::unique_ptr<TMainForm> form;
    FakeMediaEngine *station = nullptr;
    FakeMediaEngine *rec = nullptr;
};

TEST_F(PlaybackTest, ARefusedTuneChangesNothingNotEvenThePositionClock)
{
    const std::pair<QString, QString> refused[] = {
        {"none", "http://radio.example/live"},
        {"", "http://radio.example/live"},
        {"Radio One", ""},
    };
    form->ui().VrClockstposition->setSeconds(7);
    for (const auto &[name, url] : refused)
        form->playback()->TuneStation(name, url);
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:07"));

    fake.network->connected = false;
    tick();
    form->ui().VrClockstposition->setSeconds(7);
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live"));

    EXPECT_TRUE(station->calls.isEmpty()) << station->calls.join(',').toStdString();
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:07"));
    EXPECT_FALSE(state().connecting);
    EXPECT_TRUE(state().currentStationName.isEmpty());
    EXPECT_EQ(form->ui().VrMatrixConn->Text(), QStringLiteral("INTERNET CONNECTION?"));
}

// A listener who clicks a station the moment the window shows, before the
// status tick first looked at the network, hears it.
TEST_F(PlaybackTest, AClickBeforeTheFirstTickTunesWhenTheNetworkIsThere)
{
    state().online = false; // as the flag starts, before the first tick
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live"));
    EXPECT_EQ(station->calls, QStringList({"stop", "url:http://radio.example/live", "play"}));
    EXPECT_TRUE(state().connecting);
}

TEST_F(PlaybackTest, TheConnectionTextFollowsTheNetworkOnEveryTick)
{
    EXPECT_EQ(form->ui().VrMatrixConn->Text(), QStringLiteral("MARO SONAVEO ONLINE!"));
    EXPECT_TRUE(state().online);
    fake.network->connected = false;
    tick();
    EXPECT_EQ(form->ui().VrMatrixConn->Text(), QStringLiteral("INTERNET CONNECTION?"));
    EXPECT_FALSE(state().online);
}

TEST_F(PlaybackTest, AStationConnectsBlinkingAndShowsItsNameOncePastTheFirstSecond)
{
    form->ui().VrClockstposition->setSeconds(9);
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live"));
    EXPECT_EQ(station->calls, QStringList({"stop", "url:http://radio.example/live", "play"}));
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:00"));

    // Not yet playing: the label blinks with a 100 ms phase.
    station->state = 9;
    tick();
    EXPECT_EQ(form->ui().LabelStation->text(), QStringLiteral("Connecting....."));
    const bool hidden = form->ui().LabelStation->isHidden();
    tick();
    EXPECT_NE(form->ui().LabelStation->isHidden(), hidden);

    // Playing at 0.4 s still counts as connecting; 0.6 s rounds to the first second.
    station->state = kPlaying;
    station->position = 0.4;
    station->buffering = 57;
    station->bitrate = 128000;
    tick();
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:00"));
    EXPECT_TRUE(state().connecting);
    EXPECT_EQ(form->ui().LabelStation->text(), QStringLiteral("Connecting....."));
    EXPECT_EQ(form->ui().LabelBuffer->text(), QStringLiteral("57%"));
    EXPECT_EQ(form->ui().LabelBandwidth->text(), QStringLiteral("128000"));
    // Both values are shown whole, not clipped to the width of their first "0".
    for (QLabel *value : {form->ui().LabelBuffer, form->ui().LabelBandwidth})
        EXPECT_GE(value->width(), value->fontMetrics().horizontalAdvance(value->text())) << value->objectName().toStdString();
    const int wideBitRate = form->ui().LabelBandwidth->width();
    EXPECT_EQ(form->ui().LabelStation->width(), 144) << "the station name keeps its fixed width";

    station->position = 0.6;
    tick();
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:01"));
    EXPECT_FALSE(state().connecting);
    EXPECT_EQ(form->ui().LabelStation->text(), QStringLiteral("Radio One"));
    EXPECT_FALSE(form->ui().LabelStation->isHidden());

    station->position = 3725.4;
    tick();
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("01:02:05"));

    // The station stops by itself: the displays fall back to idle.
    station->state = kStopped;
    tick();
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:00"));
    EXPECT_EQ(form->ui().LabelBuffer->text(), QStringLiteral("0%"));
    EXPECT_EQ(form->ui().LabelBandwidth->text(), QStringLiteral("0"));
    EXPECT_LT(form->ui().LabelBandwidth->width(), wideBitRate) << "the caption shrinks back with its text";
}

TEST_F(PlaybackTest, AStationStuckAtSecondZeroTimesOutOnThe301stPlayingTickOnce)
{
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live"));
    station->calls.clear();
    station->state = 9; // ticks that are not playing do not count
    tick(50);
    station->state = kPlaying;
    station->position = 0.2;
    tick(300);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(station->calls.isEmpty());
    tick();
    EXPECT_EQ(dialogs.messages, QStringList({kConnectionTimeoutMessage}));
    EXPECT_EQ(station->calls, QStringList({"stop"}));
    EXPECT_FALSE(form->ui().LabelStation->isHidden());
    EXPECT_FALSE(state().connecting);
    tick(400);
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(PlaybackTest, RecordingPlaybackWaitsForTheStationPlayerAndEndsByReenablingTheButtons)
{
    station->state = kPlaying;
    state().filePlaybackRequest = true;
    for (TVrDemoButton *b : {form->ui().VrDemoButtonStart, form->ui().VrDemoButtonRec, form->ui().VrDemoButtonOptions,
                             form->ui().VrDemoButtonBurn})
        b->setEnabled(false);
    tick(3);
    EXPECT_TRUE(rec->calls.isEmpty()) << "not while a station plays";

    station->state = kStopped;
    tick();
    EXPECT_EQ(rec->calls, QStringList({"url:" + form->recorder()->recordingFile(), "play"}));
    EXPECT_FALSE(state().filePlaybackRequest);

    rec->state = kPlaying;
    rec->position = 61.0;
    rec->length = 125.3;
    tick();
    EXPECT_TRUE(state().recordingPlaybackFlag);
    EXPECT_EQ(clock(form->ui().VrClockRecPos), QStringLiteral("00:01:01"));
    EXPECT_EQ(clock(form->ui().VrClockDuration), QStringLiteral("00:02:05"));
    EXPECT_FALSE(form->ui().VrDemoButtonStart->isEnabled());

    rec->calls.clear();
    rec->state = 8; // the end of the file
    tick();
    EXPECT_FALSE(state().recordingPlaybackFlag);
    EXPECT_EQ(rec->calls, QStringList({"stop", "url:"}));
    EXPECT_EQ(clock(form->ui().VrClockRecPos), QStringLiteral("00:00:00"));
    EXPECT_EQ(clock(form->ui().VrClockDuration), QStringLiteral("00:00:00"));
    for (TVrDemoButton *b : {form->ui().VrDemoButtonStart, form->ui().VrDemoButtonRec, form->ui().VrDemoButtonOptions,
                             form->ui().VrDemoButtonBurn})
        EXPECT_TRUE(b->isEnabled());
}

TEST_F(PlaybackTest, TheActivityPictureFlickersWhileOnePlayerPlaysAndHoldsWhenBothDo)
{
    station->state = kPlaying;
    station->position = 5.0;
    const bool before = form->ui().ImagePlayer1GO->Shown();
    tick();
    EXPECT_NE(form->ui().ImagePlayer1GO->Shown(), before);
    tick();
    EXPECT_EQ(form->ui().ImagePlayer1GO->Shown(), before);

    rec->state = kPlaying;
    for (int i = 0; i < 3; ++i) {
        tick();
        EXPECT_EQ(form->ui().ImagePlayer1GO->Shown(), before);
    }
    // Within the first second of a station nothing flickers.
    rec->state = kStopped;
    station->position = 0.9;
    tick();
    EXPECT_EQ(form->ui().ImagePlayer1GO->Shown(), before);
}

TEST_F(PlaybackTest, DuringTheExitCountdownStationDisplaysFreezeAndRecordingClocksMove)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live"));
    station->state = kPlaying;
    station->position = 12.0;
    tick();
    ASSERT_EQ(form->ui().LabelStation->text(), QStringLiteral("Radio One"));

    state().exitFlag = true;
    fake.network->connected = false;
    station->position = 20.0;
    station->bitrate = 64000;
    rec->state = kPlaying;
    rec->position = 3.0;
    tick();
    EXPECT_EQ(form->ui().VrMatrixConn->Text(), QStringLiteral("MARO SONAVEO ONLINE!"));
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:12"));
    EXPECT_EQ(form->ui().LabelBandwidth->text(), QStringLiteral("0"));
    EXPECT_EQ(clock(form->ui().VrClockRecPos), QStringLiteral("00:00:03"));
    rec->position = 4.0;
    tick(23);
    EXPECT_EQ(clock(form->ui().VrClockRecPos), QStringLiteral("00:00:04"));
    EXPECT_TRUE(form->isVisible()) << "closes on the 25th tick, not before";
    tick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(state().exitTickCounter, 25);
}

TEST_F(PlaybackTest, TheFaderSetsBothPlayersLinearlyInWholePercent)
{
    const std::pair<int, int> rows[] = {{1000, 100}, {999, 99}, {995, 99}, {994, 99}, {500, 50},
                                        {9, 0},      {0, 0},    {10, 1}};
    for (const auto &[position, percent] : rows) {
        form->playback()->SetVolume(position);
        EXPECT_EQ(station->volume(), percent) << position;
        EXPECT_EQ(rec->volume(), percent) << position;
        EXPECT_EQ(form->ui().VrNumVolume->Value(), percent) << position;
        EXPECT_EQ(form->ui().VrScrollBarPlayer1->Position(), position);
    }

    // Moving the fader with the keyboard goes through its change event.
    form->playback()->SetVolume(1000);
    station->calls.clear();
    form->ui().VrScrollBarPlayer1->setFocus();
    QTest::keyClick(form->ui().VrScrollBarPlayer1, Qt::Key_Down);
    EXPECT_EQ(form->ui().VrScrollBarPlayer1->Position(), 999);
    EXPECT_EQ(form->ui().VrNumVolume->displayText(), QStringLiteral("099"));
    EXPECT_EQ(station->calls, QStringList({"volume:99"})) << "one change, one volume call";
}

TEST_F(PlaybackTest, DisconnectEndsTheStationButLeavesTheRecordingPlaying)
{
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live"));
    station->state = 9;
    tick(3); // blinking, maybe hidden now
    station->calls.clear();
    rec->state = kPlaying;

    QTest::mouseClick(form->ui().VrDemoButtonUnplug, Qt::LeftButton);
    EXPECT_EQ(form->ui().LabelStation->text(), QStringLiteral("none"));
    EXPECT_FALSE(form->ui().LabelStation->isHidden());
    EXPECT_FALSE(state().connecting);
    EXPECT_EQ(station->calls, QStringList({"stop"}));
    EXPECT_TRUE(rec->calls.isEmpty());
    EXPECT_EQ(state().currentStationName, QStringLiteral("Radio One"));

    // With nothing playing it still works and raises nothing.
    QTest::mouseClick(form->ui().VrDemoButtonUnplug, Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(PlaybackTest, AFailingPlayerCallEndsTheTickWithAMessageAndTheNextTickStartsAfresh)
{
    station->failNextCall = QStringLiteral("The player stopped answering");
    tick();
    EXPECT_EQ(dialogs.messages, QStringList({"The player stopped answering"}));
    station->state = kPlaying;
    station->position = 2.0;
    tick();
    EXPECT_EQ(clock(form->ui().VrClockstposition), QStringLiteral("00:00:02"));
}
