#include "recording/optionsform.h"

#include "platform/desktoplauncher.h"
#include "platform/dialogs.h"
#include "platform/errorguard.h"
#include "platform/errors.h"
#include "platform/textfile.h"
#include "widgets/elidedcaption.h"
#include "widgets/vrblotter.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrmatrix.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QToolButton>
#include <QUrl>

namespace {
const QString kWaveFilter = QStringLiteral("Windows PCM (*.wav)");

void styleBox(QComboBox *box, int visibleItems)
{
    box->setEditable(false);
    box->setMaxVisibleItems(visibleItems);
    box->setFont(vrFont(QStringLiteral("Arial"), 11));
    QPalette pal = box->palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
        pal.setColor(role, Qt::black);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        pal.setColor(role, toQColor(clAqua));
    box->setPalette(pal);
}

TVrMatrix *captionMatrix(QWidget *parent, const char *name, const QString &text, int left, int top)
{
    auto *m = new TVrMatrix(parent);
    m->setObjectName(QLatin1String(name));
    m->setLeds(18);
    m->setLedStyle(ls9x13);
    m->setColor(Qt::black);
    m->setPalette(TVrPalette{toQColor(clBlack), toQColor(clSilver)});
    m->setAutoScroll(false);
    m->setText(text);
    m->setBounds(left, top, 0, 0);
    return m;
}

QString withWaveExtension(QString name)
{
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".wav");
    return name;
}
} // namespace

TFileNameEdit::TFileNameEdit(QWidget *parent) : QWidget(parent)
{
    setAcceptDrops(true);
    Edit = new QLineEdit(this);
    Edit->setMaxLength(std::numeric_limits<int>::max());
    Edit->setObjectName(QStringLiteral("DirectoryEditLoggerText"));
    styleLedEdit(Edit);
    Edit->setFrame(true);
    Browse = new QToolButton(this);
    Browse->setObjectName(QStringLiteral("DirectoryEditLoggerBrowse"));
    Browse->setText(QStringLiteral("..."));
    connect(Browse, &QToolButton::clicked, this, [this] { guarded([this] { browse(); }); });
}

QString TFileNameEdit::text() const { return Edit->text(); }

void TFileNameEdit::setText(const QString &text) { Edit->setText(text); }

void TFileNameEdit::setFileName(const QString &name)
{
    setText(name.contains(QLatin1Char(' ')) ? QLatin1Char('"') + name + QLatin1Char('"') : name);
}

QString TFileNameEdit::fileName() const
{
    const QString t = text();
    if (!t.isEmpty() && QFileInfo::exists(t))
        return t;
    return QProcess::splitCommand(t).value(0);
}

void TFileNameEdit::browse()
{
    const QString chosen = dialogs().saveFileName(window(), QStringLiteral("Temporäre Audiodatei auswählen"),
                                                  QFileInfo(fileName()).absolutePath(), kWaveFilter);
    if (!chosen.isEmpty())
        setFileName(withWaveExtension(chosen));
}

void TFileNameEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFileNameEdit::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) {
        setFileName(urls.first().toLocalFile());
        event->acceptProposedAction();
    }
}

TOptionsForm::TOptionsForm(QWidget *parent) : TBorderlessForm(QSize(349, 202), parent)
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("Options"));
    setFont(vrFont(QStringLiteral("MS Sans Serif"), 11));

    VrBlotterOptions = place<TVrBlotter>(this, "VrBlotterOptions", 0, 0, 349, 202);
    VrBlotterOptions->setMetal(true, true);
    VrBlotterOptions->setColor(Qt::black);
    QWidget *p = VrBlotterOptions;
    const QFont title = vrFont(QStringLiteral("Arial"), 16, true);
    LabelOptions = placeLabel(p, "LabelOptions", QStringLiteral("Options"), 9, 6, toQColor(clAqua), 0, &title);
    VrMatrix1 = captionMatrix(p, "VrMatrix1", QStringLiteral("SONAVEO RECORDER"), 140, 6);

    const QFont caption = vrFont(QStringLiteral("Arial"), 11, true);
    LabelRecFormat = placeLabel(p, "LabelRecFormat", QStringLiteral("Record Format:"), 10, 32, toQColor(clTeal), 0, &caption);
    FormatBox = place<TElidingComboBox>(p, "FormatBox", 10, 47, 160, 21);
    styleBox(FormatBox, 11);
    LabelRecDriver = placeLabel(p, "LabelRecDriver", QStringLiteral("Audio Driver:"), 180, 32, toQColor(clTeal), 0, &caption);
    DriverBox = place<TElidingComboBox>(p, "DriverBox", 180, 47, 159, 21);
    styleBox(DriverBox, 3);
    LabelTempFile = placeLabel(p, "LabelTempFile", QStringLiteral("Temporary Audio File:"), 10, 76, toQColor(clTeal), 0,
                           &caption);
    DirectoryEditLogger = place<TFileNameEdit>(p, "DirectoryEditLogger", 10, 91, 329, 21);
    DirectoryEditLogger->Edit->setGeometry(0, 0, 305, 21);
    DirectoryEditLogger->Browse->setGeometry(308, 0, 21, 21);
    VrMatrix31 = captionMatrix(p, "VrMatrix31", QStringLiteral("WAVE PCM RECORDING"), 74, 128);

    struct Button {
        TVrDemoButton **member;
        const char *name;
        int left;
        const char *caption;
    };
    const Button buttons[] = {
        {&VrDemoButtonHelp, "VrDemoButtonHelp", 8, "Manual"},
        {&VrDemoButtonExport, "VrDemoButtonExport", 121, "Export File"},
        {&VrDemoButtonExit, "VrDemoButtonExit", 235, "Save and Exit"},
    };
    for (const Button &b : buttons) {
        auto *button = place<TVrDemoButton>(p, b.name, b.left, 168, 106, 24);
        button->setCursor(Qt::PointingHandCursor);
        styleButton(button, QLatin1String(b.caption), caption, toQColor(clSilver), toQColor(clAqua), toQColor(clGray));
        *b.member = button;
    }
    connect(VrDemoButtonHelp, &TVrDemoButton::OnClick, this, [this] { guarded([this] { VrDemoButtonHelpClick(); }); });
    connect(VrDemoButtonExport, &TVrDemoButton::OnClick, this,
            [this] { guarded([this] { VrDemoButtonExportClick(); }); });
    connect(VrDemoButtonExit, &TVrDemoButton::OnClick, this, [this] { VrDemoButtonExitClick(); });
    // Only the user's choice counts as a change; selections made by the program
    // do not rebuild the format list.
    connect(DriverBox, &QComboBox::activated, this, [this] { guarded([this] { DriverBoxChange(); }); });

    DirectoryEditLogger->setFileName(QStringLiteral("webfile.wav"));
}

void TOptionsForm::DriverBoxChange()
{
    if (onDriverBoxChange)
        onDriverBoxChange();
}

void TOptionsForm::VrDemoButtonExitClick() { accept(); }

void TOptionsForm::VrDemoButtonHelpClick()
{
    openManual();
}

void TOptionsForm::VrDemoButtonExportClick()
{
    const QString chosen = dialogs().saveFileName(this, QStringLiteral("Export File"), QString(), kWaveFilter);
    if (chosen.isEmpty())
        return;
    // The dialog asked about the name as typed; the copy lands under the name
    // with its extension, which may be another file that is there already.
    const QString target = withWaveExtension(chosen);
    if (target != chosen && pathIsTaken(target)
        && !dialogs().askYesNo(QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(target)))
        return;
    repaint();
    copyFileSafely(recordingFile ? recordingFile() : DirectoryEditLogger->fileName(), target);
}

void copyFileSafely(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw EInOutError(source, in.errorString());
    SafeFileWriter out(target);
    char buffer[65536];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            throw EInOutError(source, in.errorString());
        if (n == 0)
            break;
        out.write(buffer, n);
    }
    out.commit();
}
