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
//
// A second start asks the running copy to show its window: the holder listens on
// a Unix socket, "<name>.socket" beside the lock (or on the abstract name), and
// a later copy connects and says "raise". Only the holder of the lock binds the
// socket file, so a file left by a crashed copy is replaced, never obeyed; on
// the abstract name a request from another user is ignored.

#include <QPointer>
#include <QString>

#include <functional>
#include <sys/socket.h>
#include <sys/un.h>

class QObject;
class QSocketNotifier;

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

    // For a copy that found another running: asks it to show its window. False
    // when it could not be reached.
    bool askToRaise() const;
    // For the running copy, once the application object exists: calls raise for
    // each request of a later copy, until context goes.
    void onRaiseRequest(QObject *context, std::function<void()> raise);

private:
    bool lockInRuntimeFolder(const QString &name);
    void bindAbstractName(const QString &name);
    // Binds and listens on the raise address; a file in its place (a crashed
    // copy's socket) is removed first.
    void listenForRaise(bool removeStale);

    int m_fd = -1; // the lock file
    int m_listenFd = -1; // the socket later copies reach, until a server takes it
    sockaddr_un m_raiseAddress{};
    socklen_t m_raiseAddressLength = 0;
    QPointer<QSocketNotifier> m_server;
    // The socket file in the runtime folder is this copy's, removed as it ends.
    bool m_ownsSocketFile = false;
    bool m_alreadyRunning = false;
    QString m_problem;
};
