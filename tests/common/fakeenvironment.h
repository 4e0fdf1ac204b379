#pragma once
// Start-up checks answered by the test.

#include "platform/environment.h"

#include <QStringList>

class FakeEnvironmentChecks : public EnvironmentChecks {
public:
    FakeEnvironmentChecks(bool player, bool sound) : m_player(player), m_sound(sound) {}
    bool mediaPlayerAvailable() override
    {
        asked << QStringLiteral("player");
        return m_player;
    }
    bool soundOutputAvailable() override
    {
        asked << QStringLiteral("sound");
        return m_sound;
    }
    bool engineLoaded() override { return engine; }
    QStringList asked;
    bool engine = true;

private:
    bool m_player;
    bool m_sound;
};
