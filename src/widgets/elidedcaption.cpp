#include "widgets/elidedcaption.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>

QString elidedCaption(const QString &text, const QFont &font, int width, bool mnemonics)
{
    return QFontMetrics(font).elidedText(text, Qt::ElideRight, qMax(0, width),
                                         mnemonics ? int(Qt::TextShowMnemonic) : 0);
}

QString withoutMnemonics(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c == u'&') {
            if (i + 1 == text.size())
                break; // a marker with nothing after it shows nothing
            c = text.at(++i); // "&x" shows x, "&&" shows "&"
        }
        plain.append(c);
    }
    return plain;
}

void TElidedTip::update(QWidget *widget, const QString &whole, bool shortened)
{
    const QString wanted = shortened ? whole : QString();
    // A tooltip of the program's own (one this helper did not set) is left alone.
    if (widget->toolTip() != m_shown && !widget->toolTip().isEmpty())
        return;
    if (widget->toolTip() != wanted)
        widget->setToolTip(wanted);
    m_shown = wanted;
}

// ---------------------------------------------------------------------------

QString TElidingLabel::shownText() const
{
    return elidedCaption(text(), font(), contentsRect().width());
}

void TElidingLabel::paintEvent(QPaintEvent *event)
{
    const QString shown = shownText();
    m_tip.update(this, text(), shown != text());
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    style()->drawItemText(&p, contentsRect(), int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), shown, foregroundRole());
}

void TElidingLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    update();
}

void TElidingLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        update();
}

// ---------------------------------------------------------------------------

TElidingComboBox::TElidingComboBox(QWidget *parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentTextChanged, this, [this] { updateTip(); });
}

int TElidingComboBox::textWidth() const
{
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    // The style draws the entry one pixel in from each side of the edit field.
    return style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this).width() - 2;
}

QString TElidingComboBox::shownText() const
{
    return elidedCaption(currentText(), font(), textWidth());
}

void TElidingComboBox::updateTip()
{
    // Measuring the entry loads and shapes the box's font, which a window built
    // at start-up and not yet opened need not wait for: the tooltip is brought
    // up to date when the box paints or its tooltip is asked for.
    m_tipStale = true;
}

void TElidingComboBox::refreshTip()
{
    if (!m_tipStale)
        return;
    m_tipStale = false;
    m_tip.update(this, currentText(), shownText() != currentText());
}

bool TElidingComboBox::event(QEvent *event)
{
    // Measured again on every hover: a hidden box is resized without a resize
    // event until it shows.
    if (event->type() == QEvent::ToolTip) {
        m_tipStale = true;
        refreshTip();
    }
    return QComboBox::event(event);
}

void TElidingComboBox::paintEvent(QPaintEvent *)
{
    refreshTip();
    // What QComboBox paints, with the entry shortened first: the style clips a
    // long entry at the box's edge, in the middle of a letter.
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0 && !placeholderText().isEmpty()) {
        opt.palette.setBrush(QPalette::ButtonText, opt.palette.placeholderText());
        opt.currentText = elidedCaption(placeholderText(), font(), textWidth());
    } else if (!isEditable()) {
        opt.currentText = shownText();
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

void TElidingComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    updateTip();
}

void TElidingComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateTip();
}
