// Station addresses looked at over a real connection: what each kind of broken
// station turns out to be.

#include "enginetestkit.h"
#include "platform/stationlink.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

std::optional<StationLinkReport> lookAt(NetStationLinks &links, const QString &url)
{
    std::optional<StationLinkReport> result;
    links.look(url, [&](const StationLinkReport &report) { result = report; });
    testsupport::waitFor([&] { return result.has_value(); }, "the look to end");
    return result;
}

QString refusedUrl()
{
    BadHttpServer gone(BadHttpServer::NotFound);
    return gone.url(); // nothing listens there once it is gone
}

} // namespace

TEST(StationLinks, EachBrokenStationIsToldForWhatItIs)
{
    NetStationLinks links(1500);
    {
        BadHttpServer server(BadHttpServer::NotFound);
        const auto r = lookAt(links, server.url());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->kind, StationLinkReport::HttpError);
        EXPECT_EQ(r->httpStatus, 404);
    }
    {
        BadHttpServer server(BadHttpServer::HtmlPage);
        const auto r = lookAt(links, server.url());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->kind, StationLinkReport::WebPage);
    }
    {
        BadHttpServer server(BadHttpServer::NeverAnswers);
        const auto r = lookAt(links, server.url());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->kind, StationLinkReport::NoAnswer);
    }
    {
        BadHttpServer server(BadHttpServer::RandomBytes);
        const auto r = lookAt(links, server.url());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->kind, StationLinkReport::Stream) << "sound by its type, however broken";
    }
    const auto refused = lookAt(links, refusedUrl());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, StationLinkReport::Refused);
    // ".invalid" never resolves anywhere.
    const auto unknown = lookAt(links, QStringLiteral("http://sonaveo-station.invalid/live"));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->kind, StationLinkReport::HostNotFound);
}

TEST(StationLinks, ANewLookOrACancelDropsTheOneUnderWay)
{
    BadHttpServer silent(BadHttpServer::NeverAnswers);
    BadHttpServer missing(BadHttpServer::NotFound);
    NetStationLinks links(1500);
    int firstAnswers = 0;
    links.look(silent.url(), [&](const StationLinkReport &) { ++firstAnswers; });
    const auto second = lookAt(links, missing.url());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->kind, StationLinkReport::HttpError);
    links.look(silent.url(), [&](const StationLinkReport &) { ++firstAnswers; });
    links.cancel();
    testsupport::whileATimerTicks(100, 25);
    EXPECT_EQ(firstAnswers, 0);
}
