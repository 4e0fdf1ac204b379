#include "stations/stationpresets.h"

#include "platform/textfile.h"
#include "stations/editstationform.h"
#include "stations/historyform.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrnum.h"

#include <QLabel>
#include <QLineEdit>

namespace {
constexpr int kLines = 14;
const QString kNone = QStringLiteral("none");
} // namespace

TStationPresets::TStationPresets(TStationControls controls, TStationHooks hooks)
    : m_c(controls), m_hooks(std::move(hooks))
{
}

QString TStationPresets::blockFileName(int n) const { return blockFileOf(m_c.Labelgenre->text(), n); }

QString TStationPresets::blockFileOf(const QString &band, int n) const
{
    return fileInDirectory(m_hooks.dataDirectory(), band + QString::number(n) + QStringLiteral(".dat"));
}

void TStationPresets::restoreBandName()
{
    if (m_c.Labelgenre->text() == kHistoryMarker)
        m_c.Labelgenre->setText(rememberedBandName);
}

void TStationPresets::SaveStationBlock(int n)
{
    restoreBandName();
    // Presets that were never read from this block (its file could not be read)
    // are not written over it: the file keeps what it holds until the user
    // edits a preset here.
    if (!m_shownBlockLoaded)
        return;
    const QString file = blockFileName(n);
    QStringList lines;
    for (size_t i = 0; i < 7; ++i)
        lines << m_c.VrDemoButtonStation[i]->Caption() << m_c.EditStationURL[i]->text();
    writeTextLines(file, lines);
}

std::optional<QStringList> TStationPresets::readBlock(const QString &band, int n) const
{
    const QString file = blockFileOf(band, n);
    if (!pathIsTaken(file))
        return std::nullopt;
    return readTextLines(file);
}

void TStationPresets::showBlock(const std::optional<QStringList> &lines)
{
    // A short file reads as empty lines; lines after the 14th are ignored. A
    // block without a file shows empty slots.
    for (int i = 0; i < kLines / 2; ++i) {
        m_c.VrDemoButtonStation[size_t(i)]->setCaption(lines ? lines->value(2 * i) : kNone);
        m_c.EditStationURL[size_t(i)]->setText(lines ? lines->value(2 * i + 1) : kNone);
    }
}

void TStationPresets::LoadStationBlock(int n)
{
    std::optional<QStringList> lines;
    try {
        lines = readBlock(m_c.Labelgenre->text(), n);
    } catch (...) {
        // The presets of the block shown before do not belong to this one: the
        // slots show empty, and nothing is saved over the unreadable file.
        showBlock(std::nullopt);
        m_shownBlockLoaded = false;
        if (m_c.Labelgenre->text() != kHistoryMarker)
            rememberedBandName = m_c.Labelgenre->text();
        throw;
    }
    showBlock(lines);
    m_shownBlockLoaded = true;
    rememberedBandName = m_c.Labelgenre->text();
}

void TStationPresets::selectBand(const std::optional<QString> &band)
{
    // Block 1 of the band is read before anything changes: a band whose block
    // cannot be read (a name that is no file name, a file that is not readable)
    // leaves band, block number and presets as they were.
    const QString name = band.value_or(m_c.Labelgenre->text());
    const std::optional<QStringList> lines = readBlock(name, 1);
    m_c.Labelgenre->setText(name);
    m_c.VrNumBlock->setValue(1);
    showBlock(lines);
    m_shownBlockLoaded = true;
    rememberedBandName = name;
}

void TStationPresets::page(int step)
{
    SaveStationBlock(m_c.VrNumBlock->Value());
    m_c.VrNumBlock->setValue(m_c.VrNumBlock->Value() + step);
    LoadStationBlock(m_c.VrNumBlock->Value());
}

void TStationPresets::VrSpinnerStationUpClick() { page(+1); }

void TStationPresets::VrSpinnerStationDownClick() { page(-1); }

void TStationPresets::VrDemoButtonStationMouseDown(int n, Qt::MouseButton button)
{
    TVrDemoButton *station = m_c.VrDemoButtonStation[size_t(n - 1)];
    QLineEdit *url = m_c.EditStationURL[size_t(n - 1)];
    restoreBandName();
    if (button == Qt::LeftButton) {
        if (m_hooks.online && !m_hooks.online() && m_hooks.attemptConnect)
            m_hooks.attemptConnect();
        const QString name = station->Caption();
        const QString address = url->text();
        if (m_hooks.tuneStation)
            m_hooks.tuneStation(name, address);
        if (m_hooks.addToHistory)
            m_hooks.addToHistory(name, address);
        return;
    }
    TEditStationForm *editor = m_hooks.editor ? m_hooks.editor() : nullptr;
    if (!editor)
        return;
    editor->EditStationName->setText(station->Caption());
    editor->EditStationURL->setText(url->text());
    editor->exec();
    // There is no cancel: however the editor closed, both fields come back.
    // A line break pasted into a field would split the value in the block file.
    station->setCaption(singleLine(editor->EditStationName->text()));
    url->setText(singleLine(editor->EditStationURL->text()));
    // The user's own edit makes the block the user's again, even one whose file
    // could not be read.
    m_shownBlockLoaded = true;
    SaveStationBlock(m_c.VrNumBlock->Value());
}

bool TStationPresets::tuneNeighbour(const QString &name, int step)
{
    constexpr int kSlots = 7;
    const auto holdsStation = [this](int i) {
        const QString caption = m_c.VrDemoButtonStation[size_t(i)]->Caption();
        const QString url = m_c.EditStationURL[size_t(i)]->text().trimmed();
        return !caption.isEmpty() && caption != kNone && !url.isEmpty() && url != kNone;
    };
    int from = step > 0 ? -1 : kSlots;
    for (int i = 0; i < kSlots; ++i) {
        if (holdsStation(i) && m_c.VrDemoButtonStation[size_t(i)]->Caption() == name) {
            from = i;
            break;
        }
    }
    for (int n = 1; n <= kSlots; ++n) {
        const int i = ((from + n * step) % kSlots + kSlots) % kSlots;
        if (holdsStation(i)) {
            VrDemoButtonStationMouseDown(i + 1, Qt::LeftButton);
            return true;
        }
    }
    return false;
}
