// "Defaults.ini": the program's own settings in 28 lines, one value a line, no
// sections and no keys.
//
//   1      the temporary recording file
//   2, 3   selected index of the format list and of the driver list (-1: none)
//   4..25  the eleven history entries, newest first: name, then stream URL
//   26     the current station band
//   27, 28 the main window's left and top edge on the screen
//
// Loading applies each value as soon as its line is read; a line that cannot be
// used ends the load there with its message, and the values before it stay.
// An empty line keeps what the window shows; lines after the 28th are ignored.

#include "app/mainform.h"

#include "platform/errors.h"
#include "platform/textfile.h"
#include "recording/optionsform.h"
#include "recording/recorder.h"
#include "skin/colornames.h"
#include "stations/historyform.h"
#include "stations/stationpresets.h"
#include "widgets/vrdemobutton.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace {
const QString kDefaultRecordingFile = QStringLiteral("webfile.wav");

// Selects an entry without running the list's change handling (that only follows
// the user's own choice); an index outside the list selects nothing.
void selectIndex(QComboBox *box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

// Length of the overlap of [start, start + length) and [otherStart, otherStart + otherLength).
// In 64 bits: a stored edge may be anywhere in the int range, where the window's
// far edge no longer fits in an int.
qint64 overlap(qint64 start, qint64 length, qint64 otherStart, qint64 otherLength)
{
    return std::min(start + length, otherStart + otherLength) - std::max(start, otherStart);
}

// True when some screen shows at least a corner of the window placed at topLeft.
bool reachableOnScreen(const QPoint &topLeft, const QSize &size)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        if (overlap(topLeft.x(), size.width(), area.x(), area.width()) >= 40 &&
            overlap(topLeft.y(), size.height(), area.y(), area.height()) >= 20)
            return true;
    }
    return QGuiApplication::screens().isEmpty();
}
} // namespace

QString TMainForm::defaultsFile() const { return m_dataDirectory + QStringLiteral("/Defaults.ini"); }

void TMainForm::LoadDefaults()
{
    // The history and options windows may be made after the first showing:
    // what is read for them waits until they are, and is put in place then.
    m_stored = {};
    m_defaultsLoaded = true;
    try {
        readDefaults();
    } catch (...) {
        // The values before a bad line stay.
        settleOptions();
        settleHistory();
        throw;
    }
    settleOptions();
    settleHistory();
}

void TMainForm::readDefaults()
{
    const QString path = defaultsFile();
    if (!pathIsTaken(path)) {
        m_stored.recordingFile = kDefaultRecordingFile;
        return;
    }
    QStringList lines = readTextLines(path);
    while (lines.size() < 28)
        lines << QString();
    int at = 0;
    auto next = [&lines, &at]() -> const QString & { return lines[at++]; };
    // A line that cannot be used names the file and its line number.
    auto number = [&path, &at](const QString &text) { return atLine(path, at, [&text] { return StrToInt(text); }); };

    // A file name holds no NUL; anything else is a name the system accepts.
    const QString &file = next();
    if (file.contains(QChar(0))) {
        EInOutError e(QStringLiteral("Invalid file name - %1").arg(quotedValue(file)));
        e.setWhere(placeInFile(path, at));
        throw e;
    }
    // The recording file must exist to be kept (a bare path is tested, not the
    // field's quoted form of a name with blanks); a name without a folder is in
    // the data folder, wherever the program was started from.
    if (file.isEmpty() || !QFileInfo::exists(QDir(m_dataDirectory).filePath(file)))
        m_stored.recordingFile = m_dataDirectory + QLatin1Char('/') + kDefaultRecordingFile;
    else
        m_stored.recordingFile = file;

    if (const QString &format = next(); !format.isEmpty())
        m_stored.format = number(format);
    if (const QString &driver = next(); !driver.isEmpty())
        m_stored.driver = number(driver);

    for (size_t k = 0; k < m_stored.names.size(); ++k) {
        if (const QString &name = next(); !name.isEmpty())
            m_stored.names[k] = name;
        if (const QString &url = next(); !url.isEmpty())
            m_stored.urls[k] = url;
    }

    if (const QString &band = next(); !band.isEmpty())
        Labelgenre->setText(band);
    QPoint place = pos();
    bool placed = false;
    if (const QString &left = next(); !left.isEmpty()) {
        place.setX(number(left));
        placed = true;
    }
    if (const QString &top = next(); !top.isEmpty()) {
        place.setY(number(top));
        placed = true;
    }
    // A place left on a screen that is gone would leave the window out of
    // reach; it then stays where the layout put it.
    if (placed && reachableOnScreen(place, size()))
        move(place);
}

void TMainForm::windowMade(THistoryForm &history)
{
    m_madeHistory = &history;
    settleHistory();
}

void TMainForm::windowMade(TOptionsForm &options)
{
    m_madeOptions = &options;
    settleOptions();
}

void TMainForm::settleHistory()
{
    static_assert(std::tuple_size_v<decltype(m_stored.names)> == THistoryForm::kEntries);
    if (!m_madeHistory || !m_defaultsLoaded)
        return;
    for (size_t k = 0; k < m_stored.names.size(); ++k) {
        if (const std::optional<QString> name = std::exchange(m_stored.names[k], std::nullopt))
            m_madeHistory->VrDemoButtonHis[k]->setCaption(*name);
        if (const std::optional<QString> url = std::exchange(m_stored.urls[k], std::nullopt))
            m_madeHistory->EditHis[k]->setText(*url);
    }
}

void TMainForm::settleOptions()
{
    if (!m_madeOptions || !m_defaultsLoaded)
        return;
    // The driver list is filled once, its first entry selected and the format
    // list built for it; then the stored choices select theirs.
    if (!m_driversFilled) {
        m_driversFilled = true;
        runStep(true, [this] { Recorder->FillDriverList(); });
    }
    TFileNameEdit *recording = m_madeOptions->DirectoryEditLogger;
    if (const std::optional<QString> file = std::exchange(m_stored.recordingFile, std::nullopt))
        recording->setFileName(*file);
    if (const std::optional<int> format = std::exchange(m_stored.format, std::nullopt))
        selectIndex(m_madeOptions->FormatBox, *format);
    if (const std::optional<int> driver = std::exchange(m_stored.driver, std::nullopt))
        selectIndex(m_madeOptions->DriverBox, *driver);
}

void TMainForm::SaveDefaults()
{
    TOptionsForm *options = optionsForm();
    THistoryForm *history = historyForm();
    if (!options || !history)
        return;
    QStringList lines;
    lines << options->DirectoryEditLogger->fileName();
    lines << QString::number(options->FormatBox->currentIndex());
    lines << QString::number(options->DriverBox->currentIndex());
    for (int k = 1; k <= THistoryForm::kEntries; ++k) {
        lines << history->entryName(k);
        lines << history->entryUrl(k);
    }
    lines << Labelgenre->text();
    lines << QString::number(x());
    lines << QString::number(y());
    writeTextLines(defaultsFile(), lines);
}
