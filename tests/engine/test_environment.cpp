// The start-up checks against the real GStreamer and the sound server that
// scripts/test starts.

#include "environment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

using namespace std::chrono_literals;

TEST(EnvironmentChecks, AnswersDoNotWaitForTheWorkQueuedBehindThem)
{
    // The work queued behind the checks (reading the capture devices) may take
    // long when the sound server is slow; the checks, and with them the main
    // window, must not wait for it.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> followUpRan{false};
    std::future<std::pair<bool, bool>> answers;
    {
        GstEnvironmentChecks checks;
        checks.prefetch([&] {
            followUpRan = true;
            released.wait();
        });
        answers = std::async(std::launch::async, [&checks] {
            return std::make_pair(checks.mediaPlayerAvailable(), checks.soundOutputAvailable());
        });
        const bool answered = answers.wait_for(20s) == std::future_status::ready;
        release.set_value();
        ASSERT_TRUE(answered) << "the checks waited for the follow-up work";
        const auto [player, output] = answers.get();
        EXPECT_TRUE(player) << "GStreamer with playbin, an HTTP source and an MP3 decoder";
        EXPECT_TRUE(output) << "the test sound server's null sink";
    } // leaving the scope waits for the helper thread
    EXPECT_TRUE(followUpRan);
}
