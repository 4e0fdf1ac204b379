#pragma once
// The station history: the last eleven stations started from the station buttons,
// newest first. A click on an entry tunes it again and marks the band label.

#include "widgets/vrborderlessform.h"

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class TVrBlotter;
class TVrDemoButton;

// The text the band label shows while a station from the history plays.
inline const QString kHistoryMarker = QStringLiteral("Station History");

// What an entry click reaches in the main window.
struct THistoryHooks {
    std::function<bool()> online;
    std::function<void()> attemptConnect;
    std::function<void()> setHistoryMarker;
    std::function<void(const QString &, const QString &)> tuneStation;
};

class THistoryForm : public TBorderlessForm {
    Q_OBJECT
public:
    static constexpr int kEntries = 11;

    explicit THistoryForm(QWidget *parent = nullptr);

    TVrBlotter *VrBlotterHistory = nullptr;
    QLabel *LabelHistory = nullptr;
    TVrBlotter *VrBlotter15 = nullptr;
    // Entry k (1 = newest) is VrDemoButtonHis<k> with its URL in EditHis<k>.
    std::array<TVrDemoButton *, kEntries> VrDemoButtonHis{};
    std::array<QLineEdit *, kEntries> EditHis{};
    TVrDemoButton *VrDemoButtonCloseHistory = nullptr;

    void setHooks(THistoryHooks hooks) { m_hooks = std::move(hooks); }

    QString entryName(int k) const;
    QString entryUrl(int k) const;
    void setEntry(int k, const QString &name, const QString &url);

    void AddToHistory(const QString &name, const QString &url);
    void VrDemoButtonHisClick(int k);
    void VrDemoButtonCloseHistoryClick();

private:
    THistoryHooks m_hooks;
};
