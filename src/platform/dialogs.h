#pragma once
// Every dialog the program opens goes through one Dialogs object, so a test can
// answer it instead of blocking on a modal window.

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

// What a message tells, shown by its icon.
enum class MessageKind {
    Information, // something the user should know
    Warning,     // something did not work out, the program carries on as before
    Error,       // an error: what the user asked for was not done
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message with one OK button, captioned with the application title
    // and marked with the icon of its kind. where, when given, names the file
    // (and line) the message is about; it shows below the text.
    virtual void showMessage(const QString &text, MessageKind kind, const QString &where) = 0;
    void showMessage(const QString &text, MessageKind kind = MessageKind::Information)
    {
        showMessage(text, kind, QString());
    }
    // The standard error display.
    void showError(const QString &text, const QString &where = QString())
    {
        showMessage(text, MessageKind::Error, where);
    }
    // A question with Yes and No; true for Yes. Where nobody can answer, No.
    virtual bool askYesNo(const QString &) { return false; }
    // A colour chooser; returns an invalid colour when cancelled.
    virtual QColor chooseColor(const QColor &initial, QWidget *parent) = 0;
    // File choosers; return an empty string when cancelled.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &dir,
                                 const QString &filter) = 0;
    // A file chooser for pictures, which shows the picture under the cursor.
    virtual QString openPictureName(QWidget *parent, const QString &title, const QString &dir,
                                    const QString &filter)
    {
        return openFileName(parent, title, dir, filter);
    }
};

// The caption of every message box and of the task bar button.
inline const QString kApplicationTitle = QStringLiteral("Maro Sonaveo");

// The dialogs in use: the real ones unless a test installed others.
Dialogs &dialogs();
// Installs replacement dialogs (nullptr restores the real ones); the caller keeps
// ownership.
void setDialogs(Dialogs *replacement);

// The real dialogs on Qt's standard windows.
//
// They are Qt's own windows, never the desktop's native ones, so that they take
// the application's palette and style (the skin's colours) like every window of
// the program.
class QtDialogs : public Dialogs {
public:
    using Dialogs::showMessage;
    void showMessage(const QString &text, MessageKind kind, const QString &where) override;
    bool askYesNo(const QString &text) override;
    QColor chooseColor(const QColor &initial, QWidget *parent) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &dir,
                         const QString &filter) override;
    QString openPictureName(QWidget *parent, const QString &title, const QString &dir,
                            const QString &filter) override;
};
