// Positions as clock text and on a clock.

#include "playback/stationplayback.h"
#include "widgets/vrclock.h"

#include <gtest/gtest.h>

TEST(ClockText, PositionsRoundToTheNearestSecondWithHalvesToEven)
{
    const std::pair<double, const char *> rows[] = {
        {0, "00:00:00"},        {-5, "00:00:00"},       {0.4, "00:00:00"},
        {0.5, "00:00:00"},      {0.6, "00:00:01"},      {1.5, "00:00:02"},
        {2.5, "00:00:02"},      {59.5, "00:01:00"},     {3725.4, "01:02:05"},
        {86399, "23:59:59"},    {86399.5, "00:00:00"},  {86400, "00:00:00"},
        {90000, "25:00:00"},    {1e12, "1193046:28:15"},
    };
    for (const auto &[seconds, text] : rows)
        EXPECT_EQ(SecondsToClockText(seconds), QLatin1String(text)) << seconds;
}

TEST(ClockText, AClockTakesAPositionFieldByFieldAndSurvivesDaysAndMore)
{
    TVrClock clock;
    clock.setClockType(ctCustom);
    setClockFromSeconds(&clock, 3725.4);
    EXPECT_EQ(clock.displayText(), QStringLiteral("01:02:05"));
    setClockFromSeconds(&clock, 86400);
    EXPECT_EQ(clock.displayText(), QStringLiteral("00:00:00"));
    setClockFromSeconds(&clock, 90061); // 25 h 1 min 1 s wraps to a time of day
    EXPECT_EQ(clock.displayText(), QStringLiteral("01:01:01"));
    setClockFromSeconds(&clock, 1e15);
    EXPECT_LE(clock.Hours(), 23);
    resetClock(&clock);
    EXPECT_EQ(clock.displayText(), QStringLiteral("00:00:00"));
}
