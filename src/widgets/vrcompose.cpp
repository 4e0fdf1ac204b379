#include "widgets/vrcompose.h"

#include "widgets/elidedcaption.h"
#include "widgets/vrdemobutton.h"

#include <QLineEdit>

namespace {
// Marks the captions that follow the size of their text.
constexpr char kAutoSize[] = "sonaveoAutoSize";
} // namespace

QLabel *placeLabel(QWidget *parent, const char *name, const QString &caption, int left, int top,
                   const QColor &color, int width, const QFont *font)
{
    // A caption of fixed width shortens a longer text with "…" at its end.
    QLabel *l = width > 0 ? new TElidingLabel(caption, parent) : new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    if (font)
        l->setFont(*font);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    l->adjustSize();
    l->move(left, top);
    if (width > 0)
        l->resize(width, l->height());
    else
        l->setProperty(kAutoSize, true);
    return l;
}

void setCaptionText(QLabel *label, const QString &text)
{
    if (label->text() == text)
        return;
    label->setText(text);
    if (label->property(kAutoSize).toBool())
        label->adjustSize();
}

void styleButton(TVrDemoButton *b, const QString &caption, const QFont &font, const QColor &leave,
                 const QColor &enter, const QColor &outline)
{
    b->setFontLeave(TVrFont{font, leave});
    b->setFontEnter(TVrFont{font, enter});
    b->setOutlineColor(outline);
    b->setOutlineWidth(1);
    b->setFocusColor(enter); // the keyboard's place in the caption's mouse-over colour
    // The bevel in the shades of the black face, like the panels' bevels.
    b->setHighlightColor(bevelHighlight(toQColor(clBlack)));
    b->setShadowColor(bevelShadow(toQColor(clBlack)));
    b->setBevelWidth(1);
    b->setFont3D(0, 0);
    b->setColor(toQColor(clBlack));
    b->setDisabledTextColor(toQColor(clGray));
    b->setCaption(caption);
}

void styleLedEdit(QLineEdit *edit)
{
    edit->setFrame(false);
    edit->setFont(vrFont(QStringLiteral("Arial"), 11));
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, toQColor(clAqua));
    edit->setPalette(pal);
}
