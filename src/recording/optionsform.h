#pragma once
// The options window: the capture format, the audio driver entry and the
// temporary recording file, with the manual and the export of the recording.

#include "widgets/vrborderlessform.h"

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TVrBlotter;
class TVrDemoButton;
class TVrMatrix;

// A file-name field with a browse button that also takes a file dropped on it.
class TFileNameEdit : public QWidget {
    Q_OBJECT
public:
    explicit TFileNameEdit(QWidget *parent = nullptr);

    QLineEdit *Edit = nullptr;
    QToolButton *Browse = nullptr;

    QString text() const;
    void setText(const QString &text);
    // Shows a name, in double quotes when it holds a blank.
    void setFileName(const QString &name);
    // The name the field stands for: its text when a file of that name exists,
    // otherwise the first item of the text split like a command line.
    QString fileName() const;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void browse();
};

class TOptionsForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget *parent = nullptr);

    TVrBlotter *VrBlotterOptions = nullptr;
    QLabel *LabelOptions = nullptr;
    TVrMatrix *VrMatrix1 = nullptr;
    TVrMatrix *VrMatrix31 = nullptr;
    QLabel *LabelRecFormat = nullptr;
    QComboBox *FormatBox = nullptr;
    QLabel *LabelRecDriver = nullptr;
    QComboBox *DriverBox = nullptr;
    QLabel *LabelTempFile = nullptr;
    TFileNameEdit *DirectoryEditLogger = nullptr;
    TVrDemoButton *VrDemoButtonHelp = nullptr;
    TVrDemoButton *VrDemoButtonExport = nullptr;
    TVrDemoButton *VrDemoButtonExit = nullptr;

    // The main window's format rebuild, run when the user picks another driver.
    std::function<void()> onDriverBoxChange;
    // The recording's path as the recorder writes it (a bare name is in the data
    // folder); without it the field's name is taken as it is.
    std::function<QString()> recordingFile;

    void DriverBoxChange();
    void VrDemoButtonExitClick();
    void VrDemoButtonHelpClick();
    void VrDemoButtonExportClick();
};

// Copies a file over another through a temporary file, so a failed copy leaves the
// target as it was; throws EInOutError naming the file and the reason.
void copyFileSafely(const QString &source, const QString &target);
