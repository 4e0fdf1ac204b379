#pragma once
// One running copy per user: the first copy binds an abstract-namespace Unix
// socket named after the program and the user id. The kernel drops the name when
// the process ends in any way, so a crashed copy never blocks the next start.

#include <QString>

class SingleInstance {
public:
    explicit SingleInstance(const QString &name);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another copy already holds the name.
    bool alreadyRunning() const { return m_alreadyRunning; }

private:
    int m_fd = -1;
    bool m_alreadyRunning = false;
};
