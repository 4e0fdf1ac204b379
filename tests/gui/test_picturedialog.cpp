// The skin designer's picture chooser shows the picture under the cursor.

#include "platform/picturedialog.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QImage>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "waitfor.h"

namespace {

class PictureDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QImage picture(600, 350, QImage::Format_RGB32);
        picture.fill(QColor(200, 0, 0));
        ASSERT_TRUE(picture.save(dir.filePath(QStringLiteral("red.bmp")), "BMP"));
        QFile broken(dir.filePath(QStringLiteral("broken.bmp")));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("BM this is no picture at all");
        broken.close();
    }

    // Puts the cursor on an entry of the list, as soon as the folder has been
    // read (the dialog reads it in the background), and waits for the preview.
    ::testing::AssertionResult pointAt(TPictureDialog &dialog, const QString &name, const QString &caption)
    {
        return testsupport::waitFor(
            [&] {
                auto *model = dialog.findChild<QFileSystemModel *>();
                auto *list = dialog.findChild<QListView *>(QStringLiteral("listView"));
                if (!model || !list)
                    return false;
                const QModelIndex entry = model->index(dir.filePath(name));
                if (entry.isValid() && list->currentIndex() != entry)
                    list->setCurrentIndex(entry);
                return dialog.previewCaption() == caption;
            },
                                    qPrintable(QStringLiteral("the caption \"%1\" for %2").arg(caption, name)));
    }

    // Shows the dialog with the cursor on the red picture.
    ::testing::AssertionResult showOnThePicture(TPictureDialog &dialog)
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            return ::testing::AssertionFailure() << "the dialog never showed";
        return pointAt(dialog, QStringLiteral("red.bmp"), QStringLiteral("600 \u00D7 350"));
    }

    QTemporaryDir dir;
};

TEST_F(PictureDialogTest, ThePictureUnderTheCursorShowsWithItsSize)
{
    TPictureDialog dialog(nullptr, QStringLiteral("Hintergrundgrafik auswählen"), dir.path(),
                          QStringLiteral("Bitmaps (*.bmp)"));
    ASSERT_TRUE(showOnThePicture(dialog));
    const QImage shown = dialog.preview().toImage();
    ASSERT_FALSE(shown.isNull());
    // Fitted into the preview box with its proportions kept.
    EXPECT_LE(shown.width(), TPictureDialog::kPreviewSize.width());
    EXPECT_LE(shown.height(), TPictureDialog::kPreviewSize.height());
    EXPECT_NEAR(double(shown.width()) / shown.height(), 600.0 / 350.0, 0.05);
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(200, 0, 0));
    // The preview sits beside the list, inside the dialog.
    auto *box = dialog.findChild<QWidget *>(QStringLiteral("PicturePreview"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
}

TEST_F(PictureDialogTest, AFileThatIsNoPictureShowsNone)
{
    TPictureDialog dialog(nullptr, QStringLiteral("Hintergrundgrafik auswählen"), dir.path(),
                          QStringLiteral("Bitmaps (*.bmp)"));
    ASSERT_TRUE(showOnThePicture(dialog));
    ASSERT_TRUE(pointAt(dialog, QStringLiteral("broken.bmp"), QStringLiteral("No picture")));
    EXPECT_TRUE(dialog.preview().isNull()) << "the previous picture is gone";
}

} // namespace
