#pragma once
// The program's error objects: each carries the message the user is shown.

#include <QString>
#include <exception>
#include <string>

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

private:
    QString m_message;
    std::string m_utf8;
};

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
