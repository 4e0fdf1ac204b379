#include "platform/picturedialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

TPictureDialog::TPictureDialog(QWidget *parent, const QString &title, const QString &dir, const QString &filter)
    : QFileDialog(parent, title, dir, filter)
{
    // The dialog of the toolkit itself: a desktop's own dialog has no room
    // for the preview.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);

    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("PicturePreview"));
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(8, 0, 0, 0);
    m_picture = new QLabel(box);
    m_picture->setObjectName(QStringLiteral("PicturePreviewImage"));
    m_picture->setFixedSize(kPreviewSize);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameShape(QFrame::StyledPanel);
    m_caption = new QLabel(box);
    m_caption->setObjectName(QStringLiteral("PicturePreviewCaption"));
    m_caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    column->addWidget(m_picture);
    column->addWidget(m_caption);
    column->addStretch(1);
    // The toolkit's dialog lays itself out on a grid; the preview takes a
    // column of its own to the right of the list.
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addWidget(box, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    connect(this, &QFileDialog::currentChanged, this, &TPictureDialog::showPreview);
    showPreview(QString());
}

QPixmap TPictureDialog::preview() const { return m_picture->pixmap(); }

QString TPictureDialog::previewCaption() const { return m_caption->text(); }

void TPictureDialog::showPreview(const QString &path)
{
    m_picture->setPixmap(QPixmap());
    const QFileInfo info(path);
    if (path.isEmpty() || info.isDir()) {
        m_caption->setText(QString());
        return;
    }
    // Only regular files are read: a pipe or device under the cursor would
    // hang the dialog.
    if (!info.isFile()) {
        m_caption->setText(tr("No picture"));
        return;
    }
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid()) {
        m_caption->setText(tr("No picture"));
        return;
    }
    // Scaled while it is read: a large picture costs the dialog no full decode.
    reader.setScaledSize(size.scaled(kPreviewSize - QSize(4, 4), Qt::KeepAspectRatio).boundedTo(size));
    const QImage image = reader.read();
    if (image.isNull()) {
        m_caption->setText(tr("No picture"));
        return;
    }
    m_picture->setPixmap(QPixmap::fromImage(image));
    m_caption->setText(QStringLiteral("%1 \u00D7 %2").arg(size.width()).arg(size.height()));
}

QString choosePicture(QWidget *parent, const QString &title, const QString &dir, const QString &filter)
{
    TPictureDialog dialog(parent, title, dir, filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
