#pragma once
// Station links looked at on the test's word: the program's looks are noted, and
// the test answers the one under way with the report it wants.

#include "platform/stationlink.h"

#include <QStringList>

class FakeStationLinks : public StationLinks {
public:
    // The addresses looked at, in order.
    QStringList looks;

    void look(const QString &url, std::function<void(const StationLinkReport &)> done) override
    {
        looks << url;
        m_done = std::move(done);
    }
    void cancel() override { m_done = nullptr; }
    bool pending() const { return bool(m_done); }
    // Answers the look under way; false when there is none.
    bool answer(const StationLinkReport &report)
    {
        if (!m_done)
            return false;
        auto done = std::move(m_done);
        m_done = nullptr;
        done(report);
        return true;
    }

private:
    std::function<void(const StationLinkReport &)> m_done;
};
