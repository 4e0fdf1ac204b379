#pragma once
// Every dialog the program opens goes through one Dialogs object, so a test can
// answer it instead of blocking on a modal window.

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message with one OK button, captioned with the application title.
    virtual void showMessage(const QString &text) = 0;
    // The standard error display; the same box as showMessage.
    virtual void showError(const QString &text) { showMessage(text); }
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
class QtDialogs : public Dialogs {
public:
    void showMessage(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QColor chooseColor(const QColor &initial, QWidget *parent) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &dir,
                         const QString &filter) override;
    QString openPictureName(QWidget *parent, const QString &title, const QString &dir,
                            const QString &filter) override;
};
