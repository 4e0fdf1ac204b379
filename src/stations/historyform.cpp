#include "stations/historyform.h"

#include "platform/errorguard.h"
#include "widgets/vrblotter.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"

#include <QLineEdit>

THistoryForm::THistoryForm(QWidget *parent) : TBorderlessForm(QSize(262, 293), parent)
{
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(kHistoryMarker);
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));

    VrBlotterHistory = place<TVrBlotter>(this, "VrBlotterHistory", 0, 0, 262, 293);
    VrBlotterHistory->setMetal(true, true);
    VrBlotterHistory->setColor(Qt::black);
    VrBlotterHistory->setEnabled(false);
    const QFont title = vrFont(QStringLiteral("Arial"), 16, true);
    LabelHistory = placeLabel(VrBlotterHistory, "LabelHistory", kHistoryMarker, 9, 8, toQColor(clAqua), 0, &title);

    VrBlotter15 = place<TVrBlotter>(this, "VrBlotter15", 8, 32, 245, 217);
    VrBlotter15->setColor(Qt::black);
    const QFont font = vrFont(QStringLiteral("Arial"), 11, true);
    for (int i = 0; i < kEntries; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        auto *url = place<QLineEdit>(VrBlotter15, ("EditHis" + n).constData(), 8, 5 + 19 * i, 25, 21);
        url->setText(QStringLiteral("Empty"));
        url->hide();
        EditHis[size_t(i)] = url;

        auto *b = place<TVrDemoButton>(VrBlotter15, ("VrDemoButtonHis" + n).constData(), 8, 5 + 19 * i, 229, 18);
        b->setCursor(Qt::PointingHandCursor);
        styleButton(b, QStringLiteral("none"), font, toQColor(clTeal), toQColor(clAqua), toQColor(clTeal));
        b->setHighlightColor(toQColor(clBlack));
        connect(b, &TVrDemoButton::OnClick, this, [this, i] { guarded([this, i] { VrDemoButtonHisClick(i + 1); }); });
        VrDemoButtonHis[size_t(i)] = b;
    }

    VrDemoButtonCloseHistory = place<TVrDemoButton>(this, "VrDemoButtonCloseHistory", 146, 258, 106, 24);
    VrDemoButtonCloseHistory->setCursor(Qt::PointingHandCursor);
    styleButton(VrDemoButtonCloseHistory, QStringLiteral("Exit"), font, toQColor(clSilver), toQColor(clAqua),
                toQColor(clGray));
    connect(VrDemoButtonCloseHistory, &TVrDemoButton::OnClick, this, [this] { VrDemoButtonCloseHistoryClick(); });
}

QString THistoryForm::entryName(int k) const { return VrDemoButtonHis[size_t(k - 1)]->Caption(); }
QString THistoryForm::entryUrl(int k) const { return EditHis[size_t(k - 1)]->text(); }

void THistoryForm::setEntry(int k, const QString &name, const QString &url)
{
    VrDemoButtonHis[size_t(k - 1)]->setCaption(name);
    EditHis[size_t(k - 1)]->setText(url);
}

void THistoryForm::AddToHistory(const QString &name, const QString &url)
{
    for (int k = kEntries - 1; k >= 1; --k)
        setEntry(k + 1, entryName(k), entryUrl(k));
    setEntry(1, name, url);
}

void THistoryForm::VrDemoButtonHisClick(int k)
{
    if (m_hooks.online && !m_hooks.online() && m_hooks.attemptConnect)
        m_hooks.attemptConnect();
    if (m_hooks.setHistoryMarker)
        m_hooks.setHistoryMarker();
    if (m_hooks.tuneStation)
        m_hooks.tuneStation(entryName(k), entryUrl(k));
}

void THistoryForm::VrDemoButtonCloseHistoryClick() { accept(); }
