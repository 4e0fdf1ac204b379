#pragma once
// The program's error objects: each carries the message the user is shown.

#include <QString>
#include <exception>
#include <string>
#include <utility>

// A value as a message quotes it: at most 80 characters, then "...", so that a
// broken file's megabyte-long line never fills (and stalls) a message box.
inline QString quotedValue(const QString &value)
{
    constexpr int kMost = 80;
    return value.size() <= kMost ? value : value.left(kMost) + QStringLiteral("...");
}

class Exception : public std::exception {
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString &Message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

    // Where the error was met when the message does not say it: the file, and
    // the line of it that was being read ("/home/me/blue.skn, line 7"). The
    // message box shows it under the message, whose wording stays as it is.
    const QString &Where() const { return m_where; }
    void setWhere(QString where) { m_where = std::move(where); }

private:
    QString m_message;
    std::string m_utf8;
    QString m_where;
};

// A file, or a line of it, as a message names the place of an error.
inline QString placeInFile(const QString &file, int line = 0)
{
    return line > 0 ? QStringLiteral("%1, line %2").arg(file).arg(line) : file;
}

// Runs work, which handles what the given line of a file holds; an error it
// throws that names no place yet is given that line as its place.
template <typename F>
decltype(auto) atLine(const QString &file, int line, F &&work)
{
    try {
        return std::forward<F>(work)();
    } catch (Exception &e) {
        if (e.Where().isEmpty())
            e.setWhere(placeInFile(file, line));
        throw;
    }
}

// "'%s' is not a valid integer value"
class EConvertError : public Exception {
public:
    using Exception::Exception;
    static EConvertError notAnInteger(const QString &text)
    {
        return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(quotedValue(text)));
    }
};

// A file could not be read or written; the message names the file and the reason.
class EInOutError : public Exception {
public:
    // "<reason>: <file>", as the system words it.
    EInOutError(const QString &file, const QString &reason)
        : Exception(QStringLiteral("%1: %2").arg(reason, file)) {}
    // A complete message, such as "Invalid file name - <name>".
    explicit EInOutError(const QString &message) : Exception(message) {}
};
