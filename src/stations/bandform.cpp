#include "stations/bandform.h"

#include "platform/errorguard.h"
#include "platform/errors.h"
#include "platform/textfile.h"
#include "widgets/vrblotter.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"

#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {
// The names offered until a band list file exists.
const char *const kBuiltInBands[] = {
    "Alternative", "Blues-Jazz",  "Christian",          "Classical",          "Country",
    "Dance-Techno", "Folk",       "Heavy Metal",        "Maro Radio Network", "News",
    "Oldies",      "Others - Favorites", "Others - New", "Police",            "Pop-Rock",
    "Reggae",      "Sport",       "Talk",               "Top 40",
};

// The list sorts alphabetically without regard to letter case, as listeners
// expect from a list of names; names equal but for case keep a fixed order.
class TBandItem : public QListWidgetItem {
public:
    explicit TBandItem(const QString &name) : QListWidgetItem(name) {}
    bool operator<(const QListWidgetItem &other) const override
    {
        const int c = QString::compare(text(), other.text(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text() < other.text();
    }
};

// Rows of 14 pixels, whatever the font's own line height.
class TFixedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 14};
    }
};

TVrBlotter *panel(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *p = place<TVrBlotter>(parent, name, left, top, width, height);
    p->setColor(Qt::black);
    return p;
}
} // namespace

TBandForm::TBandForm(QWidget *parent) : TBorderlessForm(QSize(238, 387), parent)
{
    setObjectName(QStringLiteral("BandForm"));
    setWindowTitle(QStringLiteral("Choose Station Band"));
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));

    // The window's panel carries the two captions only; it takes no input.
    VrBlotterBands = panel(this, "VrBlotterBands", 0, 0, 238, 387);
    VrBlotterBands->setMetal(true, true);
    VrBlotterBands->setEnabled(false);
    const QFont title = vrFont(QStringLiteral("Arial"), 16, true);
    LabelStationBand = placeLabel(VrBlotterBands, "LabelStationBand", QStringLiteral("Choose Station Band"), 9, 8,
                                  toQColor(clAqua), 0, &title);
    LabelAddGenre = placeLabel(VrBlotterBands, "LabelAddGenre", QStringLiteral("Enter new Station Band:"), 10, 270,
                               toQColor(clTeal));

    VrBlotterBand = panel(this, "VrBlotterBand", 8, 32, 221, 233);
    ListBoxBands = place<QListWidget>(VrBlotterBand, "ListBoxBands", 4, 3, 214, 227);
    ListBoxBands->setFrameShape(QFrame::NoFrame);
    ListBoxBands->setCursor(Qt::PointingHandCursor);
    ListBoxBands->viewport()->setCursor(Qt::PointingHandCursor);
    ListBoxBands->setFont(vrFont(QStringLiteral("Arial"), 11, true));
    ListBoxBands->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBoxBands->setUniformItemSizes(true);
    ListBoxBands->setItemDelegate(new TFixedRowDelegate(ListBoxBands));
    ListBoxBands->setSortingEnabled(true);
    {
        QPalette pal = ListBoxBands->palette();
        pal.setColor(QPalette::Base, Qt::black);
        pal.setColor(QPalette::Text, toQColor(clTeal));
        pal.setColor(QPalette::Highlight, toQColor(clTeal));
        pal.setColor(QPalette::HighlightedText, Qt::black);
        ListBoxBands->setPalette(pal);
    }
    for (const char *name : kBuiltInBands)
        addBand(QLatin1String(name));
    ListBoxBands->viewport()->installEventFilter(this);

    VrBlotter1 = panel(this, "VrBlotter1", 8, 286, 221, 25);
    EditNewStationBand = place<QLineEdit>(VrBlotter1, "EditNewStationBand", 6, 5, 210, 16);
    styleLedEdit(EditNewStationBand);

    struct Button {
        TVrDemoButton **member;
        const char *name;
        int left, top;
        const char *caption;
        void (TBandForm::*handler)();
    };
    const Button buttons[] = {
        {&VrDemoButtonRemove, "VrDemoButtonRemove", 9, 320, "Remove Band", &TBandForm::VrDemoButtonRemoveClick},
        {&VrDemoButtonAdd, "VrDemoButtonAdd", 122, 320, "Add Band", &TBandForm::VrDemoButtonAddClick},
        {&VrDemoButtonCancelBand, "VrDemoButtonCancelBand", 9, 352, "Cancel",
         &TBandForm::VrDemoButtonCancelBandClick},
        {&VrDemoButtonSelectBand, "VrDemoButtonSelectBand", 122, 352, "Select Band",
         &TBandForm::VrDemoButtonSelectBandClick},
    };
    const QFont caption = vrFont(QStringLiteral("Arial"), 11, true);
    for (const Button &b : buttons) {
        auto *button = place<TVrDemoButton>(this, b.name, b.left, b.top, 106, 24);
        button->setCursor(Qt::PointingHandCursor);
        styleButton(button, QLatin1String(b.caption), caption, toQColor(clSilver), toQColor(clAqua),
                    toQColor(clGray));
        connect(button, &TVrDemoButton::OnClick, this, [this, handler = b.handler] {
            guarded([this, handler] { (this->*handler)(); });
        });
        *b.member = button;
    }
}

QStringList TBandForm::bandNames() const
{
    QStringList names;
    for (int i = 0; i < ListBoxBands->count(); ++i)
        names << ListBoxBands->item(i)->text();
    return names;
}

bool TBandForm::hasHighlight() const { return !ListBoxBands->selectedItems().isEmpty(); }

QString TBandForm::highlightedBand() const
{
    const QList<QListWidgetItem *> selected = ListBoxBands->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void TBandForm::addBand(const QString &name) { ListBoxBands->addItem(new TBandItem(name)); }

QString TBandForm::dataDirectory() const { return m_dataDirectory ? m_dataDirectory() : QDir::currentPath(); }

void TBandForm::writeBandList()
{
    // Before its first showing the window writes where the data folder is now.
    const QString folder = m_bandDirectory.isEmpty() ? dataDirectory() : m_bandDirectory;
    writeTextLines(QDir(folder).filePath(kBandListFile), bandNames());
}

// Every showing starts from the file: the modal window is shown afresh each time
// it is opened, and a message box over it must not reload it (a failed save keeps
// its change in the list).
void TBandForm::showEvent(QShowEvent *event)
{
    TBorderlessForm::showEvent(event);
    guarded([this] { FormActivate(); });
}

void TBandForm::FormActivate()
{
    m_bandDirectory = dataDirectory();
    const QString file = QDir(m_bandDirectory).filePath(kBandListFile);
    if (!pathIsTaken(file))
        return;
    const QStringList names = readTextLines(file);
    // A list of more names than anyone keeps is a broken file; it is refused
    // whole, so that the next save does not cut it.
    if (names.size() > kMaxBands)
        throw EInOutError(file, QStringLiteral("More than %1 bands").arg(kMaxBands));
    // Sorted once, not once per name.
    ListBoxBands->setSortingEnabled(false);
    ListBoxBands->clear();
    for (const QString &name : names)
        addBand(name);
    ListBoxBands->setSortingEnabled(true);
    ListBoxBands->sortItems();
}

void TBandForm::VrDemoButtonAddClick()
{
    // A band is one line of the band list and part of file names: a pasted line
    // break becomes a blank.
    const QString name = singleLine(EditNewStationBand->text());
    if (name.isEmpty())
        return;
    if (ListBoxBands->count() >= kMaxBands)
        throw EInOutError(QStringLiteral("The band list is full (%1 bands)").arg(kMaxBands));
    addBand(name);
    writeBandList();
}

void TBandForm::VrDemoButtonRemoveClick()
{
    const QList<QListWidgetItem *> selected = ListBoxBands->selectedItems();
    if (!selected.isEmpty()) {
        delete ListBoxBands->takeItem(ListBoxBands->row(selected.first()));
        // The list would move the highlight to the next name; after a removal
        // nothing is highlighted, so a second press removes nothing more.
        ListBoxBands->clearSelection();
    }
    writeBandList();
}

void TBandForm::VrDemoButtonSelectBandClick() { accept(); }

void TBandForm::VrDemoButtonCancelBandClick() { reject(); }

void TBandForm::ListBoxBandsDblClick() { accept(); }

bool TBandForm::eventFilter(QObject *watched, QEvent *event)
{
    // A double click anywhere in the list chooses what is highlighted (the first
    // click of it has highlighted the row under the mouse).
    if (watched == ListBoxBands->viewport() && event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        guarded([this] { ListBoxBandsDblClick(); });
        return true;
    }
    return TBorderlessForm::eventFilter(watched, event);
}
