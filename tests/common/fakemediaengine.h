#pragma once
// A scripted player for tests: the test sets what the polls answer and reads the
// commands the program gave, in order ("url:...", "play", "stop", "volume:50").

#include "platform/mediaengine.h"

#include <QStringList>

class FakeMediaEngine : public MediaEngine {
public:
    // What the polls answer.
    int state = MediaEngine::Undefined;
    double position = 0;
    int buffering = 100;
    int bitrate = 0;
    double length = 0;
    // The last error and the stream's title; a new address clears both, as the
    // real player does.
    QString error;
    QString title;
    // Commands received, in order.
    QStringList calls;
    // When set, the next call of any kind throws EMediaError with this text (and
    // the text is cleared, so only that one call fails).
    QString failNextCall;

    void setUrl(const QString &urlOrPath) override
    {
        failIfAsked();
        m_url = urlOrPath;
        error.clear();
        title.clear();
        calls << QStringLiteral("url:") + urlOrPath;
    }
    QString url() const override { return m_url; }
    int playState() override { return failIfAsked(), state; }
    void play() override
    {
        failIfAsked();
        calls << QStringLiteral("play");
    }
    void stop() override
    {
        failIfAsked();
        calls << QStringLiteral("stop");
    }
    double currentPosition() override { return failIfAsked(), position; }
    void setVolume(int percent) override
    {
        failIfAsked();
        m_volume = percent;
        calls << QStringLiteral("volume:%1").arg(percent);
    }
    int volume() const override { return m_volume; }
    int bufferingProgress() override { return failIfAsked(), buffering; }
    int bitRate() override { return failIfAsked(), bitrate; }
    double duration() override { return failIfAsked(), length; }
    QString lastError() const override { return error; }
    QString streamTitle() override { return title; }

private:
    void failIfAsked()
    {
        if (failNextCall.isEmpty())
            return;
        const QString message = failNextCall;
        failNextCall.clear();
        throw EMediaError(message);
    }

    QString m_url;
    int m_volume = 100;
};
