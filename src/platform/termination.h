#pragma once
// A polite request to end the program (SIGTERM at shutdown, SIGHUP when its
// terminal goes, SIGINT from Ctrl+C) reaches the GUI thread as a queued call, so
// the program can save before it ends.

#include <functional>

class QObject;

// From now on the three signals are kept for the program instead of ending the
// process. Call it first thing: a request that comes while the program starts
// is then answered when the start is far enough, not by the kernel's default.
void holdTerminationRequests();

// True once one of the three signals came after holdTerminationRequests().
bool terminationRequested();

// From now on the three signals run handler on the GUI thread (context's
// thread); requests held before reach it as soon as the event loop runs. Call
// once, after the application object exists.
void onTerminationRequest(QObject *context, std::function<void()> handler);
