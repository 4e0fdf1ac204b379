#pragma once
// Where the player keeps its files (settings, block files, band list, skin, the
// recording). In this order:
//   1. "--data-dir DIR" (or "--data-dir=DIR") among the arguments;
//   2. the environment variable SONAVEO_DATA_DIR;
//   3. the current folder when it already holds "Defaults.ini" (a portable folder);
//   4. "$XDG_DATA_HOME/sonaveo", by default "~/.local/share/sonaveo".
// A folder that does not exist yet is made (mode 0700). A folder that was named
// (1 or 2) and cannot be used is an error: the program then writes nowhere else.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct DataDirectoryChoice {
    QString folder; // absolute, existing; empty when error says why not
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Applies the rule above; arguments are the program's, the first one its name.
// Relative paths are taken from currentDir.
DataDirectoryChoice chooseDataDirectory(const QStringList &arguments, const QProcessEnvironment &env,
                                        const QString &currentDir);
