#pragma once
// The program's data files: the text files with one value per line (settings,
// block files, band list, skins) and the copies the recorder exports.
//
// Text is written in UTF-8 with CR LF line ends. Reading accepts CR, LF or CR LF,
// and reads a file that is not valid UTF-8 as Windows-1252, so files written by
// older Windows versions of the program keep their accents.
//
// Every save goes to a new file beside the old one, checks each write, flushes
// it to the disk and only then takes the old file's place: a file holds its old
// content or its new one, also on a full disk or when the program is killed.
//
// A data file is only read or written when it is a regular file (a FIFO, a
// device or a folder in its place is refused, never opened), and a symbolic link
// is followed only when the link and its target both belong to the user running
// the program, so a link planted by someone else never leads a save elsewhere.

#include <QByteArray>
#include <QString>
#include <QStringList>

// The largest text file the program reads; the program's own files are a few
// kilobytes.
constexpr qint64 kMaxTextFileSize = 1024 * 1024;

// The lines of a file (no line ends); throws EInOutError when it cannot be read,
// is no regular file, is larger than maxBytes or is reached through a link that
// is not the user's.
QStringList readTextLines(const QString &path, qint64 maxBytes = kMaxTextFileSize);

// Writes the lines, each followed by CR LF; a line break inside a value becomes a
// blank, so every value stays on its own line. Throws EInOutError naming the file
// and the system's reason when it cannot be written; the old file then stays.
void writeTextLines(const QString &path, const QStringList &lines);

// A value as one line: CR, LF and CR LF become one blank each.
QString singleLine(QString text);

// Decodes bytes as UTF-8, or as Windows-1252 when they are not valid UTF-8.
QString decodeText(const QByteArray &bytes);

// dir joined with a file name that must stay inside dir: a name holding a path
// separator, a line break or a NUL, or naming "." or "..", throws EInOutError
// ("Invalid file name - <name>").
QString fileInDirectory(const QString &dir, const QString &name);

// True when path names something (a file, a folder, a FIFO, a link, even one whose
// target is gone): the program's "does the file exist" before it reads, so that
// anything in a data file's place is read and refused with a message instead of
// being taken for a missing file.
bool pathIsTaken(const QString &path);

// Writes a file in pieces with the guarantees above: nothing of it is visible
// under its name until commit() has succeeded; a writer destroyed without a
// commit leaves the old file as it was.
class SafeFileWriter {
public:
    // Checks the name (link rules, no special file) and creates the new file
    // beside the target; throws EInOutError.
    explicit SafeFileWriter(const QString &path);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    void write(const char *data, qint64 size);
    void write(const QByteArray &bytes) { write(bytes.constData(), bytes.size()); }
    // Flushes to the disk and puts the new file in the old one's place.
    void commit();

private:
    void fail(int error);

    QString m_path;       // the name the user knows, for messages
    QByteArray m_target;  // where the content lands (a link's target)
    QByteArray m_temp;    // the new file until the commit
    int m_fd = -1;
};

// Throws EInOutError unless path may be written as a data file under the rules
// above: nothing there yet, a regular file, or the user's link to the user's
// regular file. For files written in place, such as a recording.
void checkWritableDataFile(const QString &path);

// The whole content of a data file, at most maxBytes, under the rules above;
// throws EInOutError.
QByteArray readDataFile(const QString &path, qint64 maxBytes);

// The file's content replaced as a whole under the rules above.
void writeDataFile(const QString &path, const QByteArray &bytes);
