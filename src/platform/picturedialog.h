#pragma once
// The picture chooser: a file dialog with a preview of the picture under the
// cursor beside the list, and its size in pixels, so a skin's background can be
// picked by sight.

#include <QFileDialog>

class QLabel;

class TPictureDialog : public QFileDialog {
    Q_OBJECT
public:
    TPictureDialog(QWidget *parent, const QString &title, const QString &dir, const QString &filter);

    // The preview as it shows now: empty when the entry under the cursor is no
    // picture this program can read.
    QPixmap preview() const;
    // Its caption: the picture's size ("600 × 350") or why there is none.
    QString previewCaption() const;

    // The box the preview fits in, keeping the picture's proportions.
    static constexpr QSize kPreviewSize{180, 135};

private:
    void showPreview(const QString &path);

    QLabel *m_picture = nullptr;
    QLabel *m_caption = nullptr;
};

// Runs the dialog modally; the chosen file, or an empty string when cancelled.
QString choosePicture(QWidget *parent, const QString &title, const QString &dir, const QString &filter);
