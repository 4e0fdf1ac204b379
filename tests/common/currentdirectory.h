#pragma once
// Changes the process's current folder for the life of the object.

#include <QDir>
#include <QString>

class CurrentDirectory {
public:
    explicit CurrentDirectory(const QString &dir) : m_old(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~CurrentDirectory() { QDir::setCurrent(m_old); }
    CurrentDirectory(const CurrentDirectory &) = delete;
    CurrentDirectory &operator=(const CurrentDirectory &) = delete;

private:
    QString m_old;
};
