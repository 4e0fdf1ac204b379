#pragma once
// The program's text files: one value per line, written in UTF-8 with CR LF line
// ends through QSaveFile (a file holds its old content or its new one, never a
// part). Reading accepts CR, LF or CR LF, and reads a file that is not valid
// UTF-8 as Windows-1252, so files written by older Windows versions of the
// program keep their accents.

#include <QString>
#include <QStringList>

// The lines of a file (no line ends); throws EInOutError when it cannot be read.
QStringList readTextLines(const QString &path);

// Writes the lines, each followed by CR LF; throws EInOutError naming the file and
// the system's reason when it cannot be written. On failure the old file stays.
void writeTextLines(const QString &path, const QStringList &lines);

// Decodes bytes as UTF-8, or as Windows-1252 when they are not valid UTF-8.
QString decodeText(const QByteArray &bytes);

// dir joined with a file name that must stay inside dir: a name holding a path
// separator or a NUL, or naming "." or "..", throws EInOutError
// ("Invalid file name - <name>").
QString fileInDirectory(const QString &dir, const QString &name);
