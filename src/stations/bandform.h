#pragma once
// The band chooser: the list of station band names with add, remove and select.
// The list is kept in "stationbands.ini" in the data folder, one name a
// line in the list's sorted order; without that file the built-in names are
// offered.

#include "widgets/vrborderlessform.h"

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class TVrBlotter;
class TVrDemoButton;

// The band list file's name.
inline const QString kBandListFile = QStringLiteral("stationbands.ini");
// The most bands the chooser lists; a longer list file is refused.
constexpr int kMaxBands = 10000;

class TBandForm : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TBandForm(QWidget *parent = nullptr);
    // Where the band list lives: the player's data folder, asked at each showing
    // (without it, the current folder).
    void setDataDirectory(std::function<QString()> folder) { m_dataDirectory = std::move(folder); }

    TVrBlotter *VrBlotterBands = nullptr;
    QLabel *LabelStationBand = nullptr;
    QLabel *LabelAddGenre = nullptr;
    TVrBlotter *VrBlotterBand = nullptr;
    QListWidget *ListBoxBands = nullptr;
    TVrBlotter *VrBlotter1 = nullptr;
    QLineEdit *EditNewStationBand = nullptr;
    TVrDemoButton *VrDemoButtonRemove = nullptr;
    TVrDemoButton *VrDemoButtonAdd = nullptr;
    TVrDemoButton *VrDemoButtonCancelBand = nullptr;
    TVrDemoButton *VrDemoButtonSelectBand = nullptr;

    // The names in the list, in its order.
    QStringList bandNames() const;
    // The highlighted name; empty when nothing is highlighted (a band may be
    // named by one blank, so test with hasHighlight()).
    bool hasHighlight() const;
    QString highlightedBand() const;

    void FormActivate();
    void VrDemoButtonAddClick();
    void VrDemoButtonRemoveClick();
    void VrDemoButtonSelectBandClick();
    void VrDemoButtonCancelBandClick();
    void ListBoxBandsDblClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addBand(const QString &name);
    void writeBandList();
    QString dataDirectory() const;

    std::function<QString()> m_dataDirectory;
    // The data folder as it was when the window was last activated; the list is
    // read from and written to this folder during that showing.
    QString m_bandDirectory;
};
