// The engine as the program has it: a module next to the program in the build
// tree, or in the program's own folder under the library folder once installed.
// It is found from where the program is, never from the current folder or the
// library search path.
#include "platform/engine.h"

#include "platform/environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace {
struct Loaded {
    const Engine *engine = nullptr;
    QString problem;
};

Loaded load()
{
    const QString name = QStringLiteral(SONAVEO_ENGINE_FILE);
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    QString file;
    if (program.isEmpty()) {
        // Without /proc the program's place is unknown: the folder it was
        // installed for, never a folder that depends on where it was started.
        file = QStringLiteral(SONAVEO_ENGINE_INSTALLED_FOLDER "/") + name;
    } else {
        const QDir programFolder = QFileInfo(program).absoluteDir();
        file = programFolder.filePath(name);
        if (!QFileInfo::exists(file))
            file = QDir::cleanPath(programFolder.filePath(QStringLiteral(SONAVEO_ENGINE_INSTALLED) + QLatin1Char('/') + name));
    }
    // Functions are bound as they are first called: binding the few thousand
    // of the engine and its libraries at once would cost the start more than
    // the module's loading saves. The module is built with this program, and
    // no symbol of it is left undefined.
    void *module = ::dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!module)
        return {nullptr, QString::fromLocal8Bit(::dlerror())};
    auto entry = reinterpret_cast<EngineEntry>(::dlsym(module, kEngineEntry));
    if (!entry)
        return {nullptr, QStringLiteral("%1 is no playback engine of this program").arg(file)};
    return {entry(pluginScanSkipped()), {}};
}

const Loaded &loaded()
{
    static const Loaded once = load();
    return once;
}
} // namespace

const Engine *engine() { return loaded().engine; }

QString engineProblem() { return loaded().problem; }
