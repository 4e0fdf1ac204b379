#pragma once
// One running copy per user.
//
// The lock is a file, "<name>.lock", in the user's runtime folder
// ($XDG_RUNTIME_DIR) held with flock(): the folder belongs to the user and is
// closed to everyone else, so no other user can take the name, and the kernel
// lets go of the lock when the process ends in any way, so a crashed copy never
// blocks the next start.
//
// Without such a folder the name is an abstract Unix socket, "<name>-<uid>",
// which any local process can bind. A copy finding it taken asks the holder who
// it is: only a copy of the same user counts as running. A name held by another
// user, or by a socket that takes no connections, cannot be ours: the program
// then runs without the lock and problem() says why.

#include <QString>

// The program's one-copy name.
inline const QString kOneCopyName = QStringLiteral("sonaveo");

class SingleInstance {
public:
    explicit SingleInstance(const QString &name);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another copy of this user already holds the name.
    bool alreadyRunning() const { return m_alreadyRunning; }
    // Why the name could not be taken while no copy of this user holds it; empty
    // when it was taken or another copy runs.
    const QString &problem() const { return m_problem; }

private:
    bool lockInRuntimeFolder(const QString &name);
    void bindAbstractName(const QString &name);

    int m_fd = -1; // the lock file, or the listening socket
    bool m_alreadyRunning = false;
    QString m_problem;
};
