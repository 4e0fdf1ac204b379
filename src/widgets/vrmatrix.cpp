#include "widgets/vrmatrix.h"

#include "widgets/vrtimer.h"

#include <QPainter>

namespace {
// Cells kept ready-made; a long run of colour changes simply starts the cache anew.
constexpr qsizetype kMaxCachedCells = 1024;

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

// Text in the given style; proper case starts all lower case.
QString styledRun(const QString &text, TVrTextStyle style)
{
    switch (style) {
    case tsUpperCase: return text.toUpper();
    case tsLowerCase:
    case tsProperCase: return text.toLower();
    case tsAsIs: break;
    }
    return text;
}
} // namespace

TVrMatrixCellGeometry vrMatrixCellGeometry(TVrMatrixLedStyle style)
{
    switch (style) {
    case ls9x13: return {9, 13, 1};
    case ls19x27: return {19, 27, 3};
    case ls14x20: break;
    }
    return {14, 20, 2};
}

QImage vrMatrixCellReference(TVrMatrixLedStyle style)
{
    const TVrMatrixCellGeometry g = vrMatrixCellGeometry(style);
    QImage cell(g.Width, g.Height, QImage::Format_ARGB32);
    cell.fill(kReferenceBlack);
    QPainter p(&cell);
    for (int r = 0; r < 7; ++r)
        for (int j = 0; j < 5; ++j)
            p.fillRect(j * (g.DotSize + 1), r * (g.DotSize + 1), g.DotSize, g.DotSize,
                       QColor::fromRgba(kReferenceGrey));
    return cell;
}

QColor vrMatrixCodeColor(QChar code, const QColor &defaultColor)
{
    static const TColor kCodeColors[] = {clBlack, clMaroon, clGreen, clOlive, clNavy,
                                         clPurple, clTeal, clGray, clSilver, clRed,
                                         clLime, clYellow, clBlue, clFuchsia, clAqua};
    const char16_t u = code.toUpper().unicode();
    if (u >= '1' && u <= '9')
        return toQColor(kCodeColors[u - '1']);
    if (u >= 'A' && u <= 'F')
        return toQColor(kCodeColors[9 + (u - 'A')]);
    return defaultColor;
}

TVrMatrix::TVrMatrix(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer = new TVrTimer(this);
    m_timer->setEnabled(false);
    m_timer->setInterval(500);
    m_timer->setOnTimer([this] { scrollStep(); });
    updateSize();
}

TVrMatrix::~TVrMatrix()
{
    // Stop the timer thread before the members its ticks touch go away.
    delete m_timer;
    m_timer = nullptr;
}

void TVrMatrix::setLeds(int leds)
{
    leds = std::max(1, leds);
    if (m_leds == leds)
        return;
    m_leds = leds;
    parseText();
    updateSize();
}

void TVrMatrix::setSpacing(int spacing)
{
    spacing = std::max(0, spacing);
    if (m_spacing == spacing)
        return;
    m_spacing = spacing;
    updateSize();
}

void TVrMatrix::setLedStyle(TVrMatrixLedStyle style)
{
    if (m_ledStyle == style)
        return;
    m_ledStyle = style;
    invalidateCells();
    updateSize();
}

void TVrMatrix::setLedsVisible(bool on)
{
    if (m_ledsVisible == on)
        return;
    m_ledsVisible = on;
    invalidateCells();
    changed();
}

void TVrMatrix::setAlignment(TVrAlignment alignment)
{
    if (m_alignment == alignment)
        return;
    m_alignment = alignment;
    changed();
}

void TVrMatrix::setScrollDirection(TVrMatrixScrollDirection direction)
{
    m_scrollDirection = direction;
}

void TVrMatrix::setTextStyle(TVrTextStyle style)
{
    if (m_textStyle == style)
        return;
    m_textStyle = style;
    parseText();
    changed();
}

void TVrMatrix::setOrientation(Qt::Orientation orientation)
{
    if (m_orientation == orientation)
        return;
    m_orientation = orientation;
    updateSize();
}

void TVrMatrix::setAutoScroll(bool on)
{
    if (m_autoScroll == on)
        return;
    m_autoScroll = on;
    updateTimer(isVisible());
    changed();
}

int TVrMatrix::TimeInterval() const { return m_timer->Interval(); }

void TVrMatrix::setTimeInterval(int ms) { m_timer->setInterval(ms); }

bool TVrMatrix::Threaded() const { return m_timer->TimerType() == ttThread; }

void TVrMatrix::setThreaded(bool on) { m_timer->setTimerType(on ? ttThread : ttSystem); }

void TVrMatrix::setPalette(const TVrPalette &palette)
{
    if (m_palette == palette)
        return;
    m_palette = palette;
    invalidateCells();
    changed();
}

void TVrMatrix::setBevel(const TVrBevel &bevel)
{
    if (m_bevel == bevel)
        return;
    m_bevel = bevel;
    updateSize();
}

void TVrMatrix::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    invalidateCells();
    changed();
}

void TVrMatrix::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    parseText();
    changed();
}

void TVrMatrix::parseText()
{
    m_displayText.clear();
    m_colorCodes.clear();
    m_displayText.reserve(m_text.size());
    m_colorCodes.reserve(m_text.size());
    // The text style is applied to each run of one colour on its own: a case
    // change may make the text longer (the German sharp s upper-cased is "SS",
    // the "fi" ligature "FI"), and every character it yields keeps the colour of
    // the character it came from, so the codes stay exactly as long as the text.
    QString run;
    QChar runCode = u'-';
    const auto endRun = [&] {
        const QString shown = styledRun(run, m_textStyle);
        m_displayText += shown;
        m_colorCodes += QString(shown.size(), runCode);
        run.clear();
    };
    const auto show = [&](QChar c, QChar code) {
        if (code != runCode) {
            endRun();
            runCode = code;
        }
        run.append(c);
    };
    QChar code = u'-';
    const qsizetype n = m_text.size();
    for (qsizetype k = 0; k < n; ++k) {
        const QChar c = m_text.at(k);
        if (c != u'%') {
            show(c, code);
        } else if (k + 1 < n && m_text.at(k + 1) == u'%') {
            show(c, code);
            ++k;
        } else {
            // A code: the character after the percent sign is used up either way.
            code = u'-';
            if (k + 1 < n) {
                ++k;
                if (isHexDigit(m_text.at(k)))
                    code = m_text.at(k);
            }
        }
    }
    endRun();

    if (m_textStyle == tsProperCase) {
        // One character keeps its length when its case changes on its own.
        const qsizetype len = m_displayText.size();
        if (len > 0) {
            qsizetype k = 0;
            while (k < len - 1 && m_displayText.at(k) == u' ')
                ++k;
            m_displayText[k] = m_displayText.at(k).toUpper();
        }
    }
}

int TVrMatrix::alignedFirstIndex() const
{
    const int len = int(m_displayText.size());
    switch (m_alignment) {
    case taRightJustify: return len - m_leds + 1;
    case taCenter: return 1 - (m_leds - len) / 2;
    case taLeftJustify: break;
    }
    return 1;
}

int TVrMatrix::FirstVisibleIndex() const
{
    return m_autoScroll ? m_firstVisible : alignedFirstIndex();
}

void TVrMatrix::scrollStep()
{
    const int len = int(m_displayText.size());
    if (m_scrollDirection == msdRightToLeft) {
        if (m_firstVisible < len) {
            ++m_firstVisible;
        } else {
            Q_EMIT OnScrollDone();
            m_firstVisible = 1 - m_leds;
        }
    } else {
        if (m_firstVisible > 1 - m_leds) {
            --m_firstVisible;
        } else {
            Q_EMIT OnScrollDone();
            m_firstVisible = len;
        }
    }
    changed();
}

QSize TVrMatrix::matrixSize() const
{
    const TVrMatrixCellGeometry g = vrMatrixCellGeometry(m_ledStyle);
    const int b = 2 * m_bevel.BorderWidth();
    if (m_orientation == Qt::Horizontal)
        return {g.Width * m_leds + m_spacing * (m_leds - 1) + b, g.Height + b};
    return {g.Width + b, g.Height * m_leds + m_spacing * (m_leds - 1) + b};
}

void TVrMatrix::setBounds(int left, int top, int /*width*/, int /*height*/)
{
    move(left, top);
    updateSize();
}

void TVrMatrix::updateSize()
{
    setFixedSize(matrixSize());
    changed();
}

void TVrMatrix::changed()
{
    // While the text stands still, it sits where the alignment puts it; scrolling
    // starts from there once switched on.
    if (!m_autoScroll)
        m_firstVisible = alignedFirstIndex();
    m_frameValid = false;
    update();
}

void TVrMatrix::invalidateCells()
{
    m_unlitCell = QImage();
    m_cells.clear();
}

const QImage &TVrMatrix::cellImage(QChar ch, QChar code) const
{
    char16_t c = ch.unicode();
    if (c > 127)
        c = u' ';
    if (c == u' ')
        code = u'-';
    const quint32 key = quint32(c) | (quint32(code.toUpper().unicode()) << 16);
    if (auto it = m_cells.constFind(key); it != m_cells.constEnd())
        return *it;

    if (m_unlitCell.isNull())
        m_unlitCell = recolorReference(vrMatrixCellReference(m_ledStyle), unlitColor(m_palette),
                                       m_palette.High, m_color)
                          .convertToFormat(QImage::Format_ARGB32_Premultiplied);

    const TVrMatrixCellGeometry g = vrMatrixCellGeometry(m_ledStyle);
    QImage cell(g.Width, g.Height, QImage::Format_ARGB32_Premultiplied);
    cell.fill(m_color);
    QPainter p(&cell);
    if (m_ledsVisible)
        p.drawImage(0, 0, m_unlitCell);
    const TVrMatrixGlyph &glyph = vrMatrixGlyph(c);
    const QColor colour = vrMatrixCodeColor(code, m_palette.High);
    for (int r = 0; r < 7; ++r)
        for (int j = 0; j < 5; ++j)
            if (glyph[r] & (1 << j))
                p.fillRect(g.Width - g.DotSize - j * (g.DotSize + 1), r * (g.DotSize + 1),
                           g.DotSize, g.DotSize, colour);
    p.end();

    if (m_cells.size() >= kMaxCachedCells)
        m_cells.clear();
    return *m_cells.insert(key, cell);
}

QImage TVrMatrix::renderToImage() const
{
    const QSize size = matrixSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(m_color);
    QPainter p(&image);
    paintBevel(p, image.rect(), m_bevel, m_color);

    const TVrMatrixCellGeometry g = vrMatrixCellGeometry(m_ledStyle);
    const bool horizontal = m_orientation == Qt::Horizontal;
    const int cellStep = (horizontal ? g.Width : g.Height) + m_spacing;
    const int run = (horizontal ? g.Width : g.Height) * m_leds + m_spacing * (m_leds - 1);
    int x = horizontal ? (size.width() - run) / 2 : (size.width() - g.Width) / 2;
    int y = horizontal ? (size.height() - g.Height) / 2 : (size.height() - run) / 2;

    const int len = int(m_displayText.size());
    int index = FirstVisibleIndex();
    for (int k = 0; k < m_leds; ++k, ++index) {
        if (index >= 1 && index <= len)
            p.drawImage(x, y, cellImage(m_displayText.at(index - 1), m_colorCodes.at(index - 1)));
        else
            p.drawImage(x, y, cellImage(u' ', u'-'));
        (horizontal ? x : y) += cellStep;
    }
    return image;
}

void TVrMatrix::paintEvent(QPaintEvent * /*event*/)
{
    if (!m_frameValid) {
        m_frame = renderToImage();
        m_frameValid = true;
    }
    QPainter p(this);
    p.drawImage(0, 0, m_frame);
}

void TVrMatrix::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTimer(true);
}

void TVrMatrix::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTimer(false);
}

void TVrMatrix::updateTimer(bool visible)
{
    // The scroll timer only runs while there is a scrolling display to be seen.
    m_timer->setEnabled(m_autoScroll && visible);
}
