#include "platform/dialogs.h"

#include "platform/picturedialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {
Dialogs *g_replacement = nullptr;
}

Dialogs &dialogs()
{
    static QtDialogs real;
    return g_replacement ? *g_replacement : real;
}

void setDialogs(Dialogs *replacement) { g_replacement = replacement; }

void QtDialogs::showMessage(const QString &text, MessageKind kind, const QString &where)
{
    const QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                                   : kind == MessageKind::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::Information;
    QMessageBox box(icon, kApplicationTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setInformativeText(where);
    box.exec();
}

bool QtDialogs::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Question, kApplicationTitle, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QColor QtDialogs::chooseColor(const QColor &initial, QWidget *parent)
{
    return QColorDialog::getColor(initial, parent, QString(), QColorDialog::DontUseNativeDialog);
}

QString QtDialogs::openFileName(QWidget *parent, const QString &title, const QString &dir,
                                const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, dir, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

QString QtDialogs::saveFileName(QWidget *parent, const QString &title, const QString &dir,
                                const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, dir, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

QString QtDialogs::openPictureName(QWidget *parent, const QString &title, const QString &dir,
                                   const QString &filter)
{
    return choosePicture(parent, title, dir, filter);
}
