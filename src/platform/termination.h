#pragma once
// A polite request to end the program (SIGTERM at shutdown, SIGHUP when its
// terminal goes, SIGINT from Ctrl+C) reaches the GUI thread as a queued call, so
// the program can save before it ends.

#include <functional>

class QObject;

// From now on the three signals run handler on the GUI thread (context's thread)
// instead of ending the process. Call once, after the application object exists.
void onTerminationRequest(QObject *context, std::function<void()> handler);
