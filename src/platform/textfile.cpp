#include "platform/textfile.h"

#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Windows-1252 differs from Latin-1 only in 0x80 ... 0x9F.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// The system's reason in the words the program has always used for the common one.
QString reasonFor(int error)
{
    if (error == EACCES || error == EPERM)
        return QStringLiteral("File access denied");
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void refuse(const QString &path, int error) { throw EInOutError(path, reasonFor(error)); }

// Where the content of the data file at path lives, after the link rules: the
// path itself, or the target of a link that the user owns and whose target the
// user owns too. status receives the target's status; with mayBeMissing, a name
// under which nothing exists yet is accepted and status->st_mode is 0.
QByteArray checkedTarget(const QString &path, bool mayBeMissing, struct stat *status)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0) {
        if (errno == ENOENT && mayBeMissing) {
            *status = {};
            return name;
        }
        refuse(path, errno);
    }
    QByteArray target = name;
    struct stat found = link;
    if (S_ISLNK(link.st_mode)) {
        // As the kernel's protected links do in shared folders: someone else's
        // link may point anywhere, even at a file only the user can write.
        if (link.st_uid != ::geteuid())
            throw EInOutError(path, QStringLiteral("Not followed, the link belongs to another user"));
        char *real = ::realpath(name.constData(), nullptr);
        if (!real) {
            if (errno == ENOENT)
                throw EInOutError(path, QStringLiteral("Not followed, the link points to nothing"));
            refuse(path, errno);
        }
        target = real;
        std::free(real);
        if (::stat(target.constData(), &found) != 0)
            refuse(path, errno);
        if (found.st_uid != ::geteuid())
            throw EInOutError(path, QStringLiteral("Not followed, the link's target belongs to another user"));
    }
    if (!S_ISREG(found.st_mode))
        throw EInOutError(path, QStringLiteral("Not a regular file"));
    *status = found;
    return target;
}

QString tempSuffix()
{
    return QString::number(QRandomGenerator::global()->generate64(), 36);
}
} // namespace

QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

QString singleLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QByteArray readDataFile(const QString &path, qint64 maxBytes)
{
    struct stat checked {};
    const QByteArray target = checkedTarget(path, false, &checked);
    if (checked.st_size > maxBytes)
        throw EInOutError(path, QStringLiteral("File too large (over %1 bytes)").arg(maxBytes));
    // Non-blocking: should a FIFO have taken the file's place since the check,
    // opening it does not wait for a writer.
    const int fd = ::open(target.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        refuse(path, errno);
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != checked.st_dev
        || opened.st_ino != checked.st_ino) {
        ::close(fd);
        throw EInOutError(path, QStringLiteral("Not a regular file"));
    }
    QByteArray bytes;
    bytes.resize(qsizetype(std::min<qint64>(opened.st_size, maxBytes)) + 1);
    qint64 have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (have > maxBytes)
                break;
            bytes.resize(std::min<qint64>(have * 2, maxBytes + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            refuse(path, error);
        }
        if (n == 0)
            break;
        have += n;
    }
    ::close(fd);
    // A file that grew while it was read is judged by what it holds.
    if (have > maxBytes)
        throw EInOutError(path, QStringLiteral("File too large (over %1 bytes)").arg(maxBytes));
    bytes.truncate(qsizetype(have));
    return bytes;
}

QStringList readTextLines(const QString &path, qint64 maxBytes)
{
    QString text = decodeText(readDataFile(path, maxBytes));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void writeTextLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += singleLine(line).toUtf8();
        bytes += "\r\n";
    }
    writeDataFile(path, bytes);
}

void writeDataFile(const QString &path, const QByteArray &bytes)
{
    SafeFileWriter file(path);
    file.write(bytes);
    file.commit();
}

void checkWritableDataFile(const QString &path)
{
    struct stat status {};
    checkedTarget(path, true, &status);
}

bool pathIsTaken(const QString &path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

QString fileInDirectory(const QString &dir, const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name.contains(QLatin1Char('\n'))
        || name.contains(QLatin1Char('\r')))
        throw EInOutError(QStringLiteral("Invalid file name - %1").arg(quotedValue(name)));
    return QDir(dir).filePath(name);
}

// ---- SafeFileWriter ----

SafeFileWriter::SafeFileWriter(const QString &path) : m_path(path)
{
    struct stat old {};
    m_target = checkedTarget(path, true, &old);
    const bool exists = old.st_mode != 0;
    // The new file sits beside the target, so that the final rename never
    // crosses file systems; it is hidden and named so that it is never taken
    // for one of the program's files.
    const int slash = m_target.lastIndexOf('/');
    const QByteArray dir = slash >= 0 ? m_target.left(slash + 1) : QByteArray();
    const QByteArray base = slash >= 0 ? m_target.mid(slash + 1) : m_target;
    const mode_t mode = exists ? (old.st_mode & 07777) : 0666;
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temp = dir + '.' + base + '.' + QFile::encodeName(tempSuffix()) + ".new";
        m_fd = ::open(m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (m_fd < 0 && (errno != EEXIST || attempt > 8))
            refuse(path, errno);
    }
    // The umask narrowed the old file's rights; the new one gets them back.
    if (exists)
        (void)::fchmod(m_fd, mode);
}

SafeFileWriter::~SafeFileWriter()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temp.constData());
    }
}

void SafeFileWriter::fail(int error)
{
    ::close(m_fd);
    ::unlink(m_temp.constData());
    m_fd = -1;
    refuse(m_path, error);
}

void SafeFileWriter::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        throw EInOutError(m_path, QStringLiteral("File not open"));
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno);
        if (n == 0)
            fail(ENOSPC);
        data += n;
        size -= n;
    }
}

void SafeFileWriter::commit()
{
    if (m_fd < 0)
        throw EInOutError(m_path, QStringLiteral("File not open"));
    // A file system that reserves space late says so here, before the old file
    // is given up.
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(m_temp.constData());
        refuse(m_path, error);
    }
    if (::rename(m_temp.constData(), m_target.constData()) != 0) {
        const int error = errno;
        ::unlink(m_temp.constData());
        refuse(m_path, error);
    }
}
