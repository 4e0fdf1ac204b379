#include "stationpresets.h"

#include "editstationform.h"
#include "historyform.h"
#include "textfile.h"
#include "vrdemobutton.h"
#include "vrnum.h"

#include <QFileInfo>
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

QString TStationPresets::blockFileName(int n) const
{
    return fileInDirectory(m_hooks.dataDirectory(),
                           m_c.Labelgenre->text() + QString::number(n) + QStringLiteral(".dat"));
}

void TStationPresets::restoreBandName()
{
    if (m_c.Labelgenre->text() == kHistoryMarker)
        m_c.Labelgenre->setText(rememberedBandName);
}

void TStationPresets::SaveStationBlock(int n)
{
    restoreBandName();
    const QString file = blockFileName(n);
    QStringList lines;
    for (size_t i = 0; i < 7; ++i)
        lines << m_c.VrDemoButtonStation[i]->Caption() << m_c.EditStationURL[i]->text();
    writeTextLines(file, lines);
}

void TStationPresets::LoadStationBlock(int n)
{
    const QString file = blockFileName(n);
    if (QFileInfo::exists(file)) {
        const QStringList lines = readTextLines(file);
        // A short file reads as empty lines; lines after the 14th are ignored.
        for (int i = 0; i < kLines / 2; ++i) {
            m_c.VrDemoButtonStation[size_t(i)]->setCaption(lines.value(2 * i));
            m_c.EditStationURL[size_t(i)]->setText(lines.value(2 * i + 1));
        }
    } else {
        for (size_t i = 0; i < 7; ++i) {
            m_c.VrDemoButtonStation[i]->setCaption(kNone);
            m_c.EditStationURL[i]->setText(kNone);
        }
    }
    rememberedBandName = m_c.Labelgenre->text();
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
    station->setCaption(editor->EditStationName->text());
    url->setText(editor->EditStationURL->text());
    SaveStationBlock(m_c.VrNumBlock->Value());
}
