#pragma once
// Dialogs that answer at once and remember what they were asked.

#include "platform/dialogs.h"
#include "qtprinters.h"

#include <QStringList>
#include <deque>

class FakeDialogs : public Dialogs {
public:
    FakeDialogs() { setDialogs(this); }
    ~FakeDialogs() override { setDialogs(nullptr); }

    using Dialogs::showMessage;
    void showMessage(const QString &text, MessageKind kind, const QString &where) override
    {
        messages << text;
        kinds << kind;
        places << where;
    }
    // Answers No unless an answer was queued.
    bool askYesNo(const QString &text) override
    {
        questions << text;
        return !nextAnswer.empty() && pop(nextAnswer);
    }
    QColor chooseColor(const QColor &initial, QWidget *) override
    {
        initialColors << initial;
        return nextColor.empty() ? QColor() : pop(nextColor);
    }
    QString openFileName(QWidget *, const QString &title, const QString &dir, const QString &filter) override
    {
        asked << title;
        folders << dir;
        filters << filter;
        return nextFile.empty() ? QString() : pop(nextFile);
    }
    QString saveFileName(QWidget *, const QString &title, const QString &dir, const QString &filter) override
    {
        asked << title;
        folders << dir;
        filters << filter;
        return nextFile.empty() ? QString() : pop(nextFile);
    }

    QStringList messages;
    QList<MessageKind> kinds; // the icon each message showed with
    QStringList places;       // the file (and line) each named, or empty
    QStringList questions;       // the yes/no questions, in order
    std::deque<bool> nextAnswer; // their answers
    QStringList asked;   // titles of the file dialogs, in order
    QStringList folders; // their start folders
    QStringList filters;
    QList<QColor> initialColors; // what each colour dialog started with
    std::deque<QColor> nextColor;
    std::deque<QString> nextFile;

private:
    template <typename T>
    static T pop(std::deque<T> &q)
    {
        T v = q.front();
        q.pop_front();
        return v;
    }
};
