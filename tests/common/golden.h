#pragma once
// Comparing what a window shows with a picture kept in tests/golden. With
// SONAVEO_UPDATE_GOLDEN=1 the picture is written instead (look at it before
// committing it). Areas that change on their own (clocks, scrolling text) are
// left out of the comparison.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

struct GoldenTolerance {
    int channel = 24;       // a pixel differs when a channel differs by more
    int pixels = 16;        // at most this many differing pixels
};

inline ::testing::AssertionResult matchesGolden(QImage shot, const QString &name, const QList<QRect> &ignored = {},
                                               GoldenTolerance tolerance = {})
{
    const QString path = QDir(QStringLiteral(SONAVEO_SOURCE_DIR "/tests/golden")).filePath(name + QStringLiteral(".png"));
    shot = shot.convertToFormat(QImage::Format_RGB32);
    for (const QRect &r : ignored)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (shot.rect().contains(x, y))
                    shot.setPixel(x, y, qRgb(255, 0, 255));
    if (qEnvironmentVariableIntValue("SONAVEO_UPDATE_GOLDEN") == 1) {
        QDir().mkpath(QFileInfo(path).path());
        if (!shot.save(path))
            return ::testing::AssertionFailure() << "could not write " << path.toStdString();
        return ::testing::AssertionSuccess() << "wrote " << path.toStdString();
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
    if (golden.isNull())
        return ::testing::AssertionFailure() << "no golden picture " << path.toStdString()
                                             << " (SONAVEO_UPDATE_GOLDEN=1 writes it)";
    // What differs is kept beside the test's other output for a look.
    const QString outDir = qEnvironmentVariableIsEmpty("SONAVEO_TEST_OUTPUT") ? QDir::tempPath()
                                                                              : qEnvironmentVariable("SONAVEO_TEST_OUTPUT");
    QDir().mkpath(QFileInfo(QDir(outDir).filePath(name)).path()); // a name may lie in a folder
    if (golden.size() != shot.size()) {
        shot.save(QDir(outDir).filePath(name + QStringLiteral("-actual.png")));
        return ::testing::AssertionFailure() << "size " << shot.width() << "x" << shot.height() << ", the golden picture is "
                                             << golden.width() << "x" << golden.height();
    }
    int differing = 0;
    QImage diff(shot.size(), QImage::Format_RGB32);
    diff.fill(Qt::black);
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb a = shot.pixel(x, y);
            const QRgb b = golden.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > tolerance.channel || std::abs(qGreen(a) - qGreen(b)) > tolerance.channel ||
                std::abs(qBlue(a) - qBlue(b)) > tolerance.channel) {
                ++differing;
                diff.setPixel(x, y, qRgb(255, 255, 255));
            }
        }
    if (differing > tolerance.pixels) {
        shot.save(QDir(outDir).filePath(name + QStringLiteral("-actual.png")));
        diff.save(QDir(outDir).filePath(name + QStringLiteral("-diff.png")));
        return ::testing::AssertionFailure() << differing << " pixels differ from " << path.toStdString()
                                             << " (at most " << tolerance.pixels << "); the picture and the "
                                             << "differences are in " << outDir.toStdString();
    }
    return ::testing::AssertionSuccess();
}

} // namespace testsupport
