// The engine linked into the binary, as the tests and benchmarks have it.
#include "platform/engine.h"

#include "platform/environment.h"

const Engine *engine()
{
    static const Engine *const linked = sonaveoEngine(pluginScanSkipped());
    return linked;
}

QString engineProblem() { return {}; }
