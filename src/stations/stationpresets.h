#pragma once
// The seven presets on the main window and their block files: saving and loading
// a block of the current band, paging with the spinner, and the station buttons'
// presses (tune and remember, or edit and save).

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class TEditStationForm;
class TVrDemoButton;
class TVrNum;

// The main window's controls that hold the presets, the block number and the band.
struct TStationControls {
    std::array<TVrDemoButton *, 7> VrDemoButtonStation{};
    std::array<QLineEdit *, 7> EditStationURL{};
    QLabel *Labelgenre = nullptr;
    TVrNum *VrNumBlock = nullptr;
};

struct TStationHooks {
    std::function<QString()> dataDirectory;
    std::function<bool()> online;
    std::function<void()> attemptConnect;
    std::function<void(const QString &, const QString &)> tuneStation;
    std::function<void(const QString &, const QString &)> addToHistory;
    // The editor to open for a preset; null when there is none.
    std::function<TEditStationForm *()> editor;
};

class TStationPresets {
public:
    TStationPresets(TStationControls controls, TStationHooks hooks);

    // The band of the block shown; the band label shows it again wherever the
    // history marker stood.
    QString rememberedBandName;

    // The block file of the current band and block n; throws when the band name
    // is no valid file name.
    QString blockFileName(int n) const;

    void SaveStationBlock(int n);
    // A block that cannot be read shows empty slots, and its file is not saved
    // over until a preset of it is edited; the error is thrown on.
    void LoadStationBlock(int n);
    // Makes band (or, without one, the band shown) current at block 1; throws and
    // changes nothing when its block 1 cannot be read.
    void selectBand(const std::optional<QString> &band);
    void VrSpinnerStationUpClick();
    void VrSpinnerStationDownClick();
    // A press on station button n (1 ... 7).
    void VrDemoButtonStationMouseDown(int n, Qt::MouseButton button);

    // Puts the remembered band name back when the band label shows the history
    // marker.
    void restoreBandName();

    // Tunes the preset step slots away (+1 next, -1 previous) from the one that
    // holds the station called name, skipping empty slots and wrapping around the
    // shown block, as a click on its button would. A station that is not in the
    // block counts as standing before the first slot (next) or after the last
    // (previous). False when no slot of the block holds a station.
    bool tuneNeighbour(const QString &name, int step);

private:
    void page(int step);
    // The lines of a band's block file; none when there is no such file.
    QString blockFileOf(const QString &band, int n) const;
    std::optional<QStringList> readBlock(const QString &band, int n) const;
    void showBlock(const std::optional<QStringList> &lines);

    TStationControls m_c;
    TStationHooks m_hooks;
    // False after a block could not be read: the presets shown are not its own.
    bool m_shownBlockLoaded = true;
};
