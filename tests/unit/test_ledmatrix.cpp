// The LED matrix as a viewer sees it: the pixels of the rendered display.

#include "widgets/vrmatrix.h"
#include "widgets/vrtimer.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

// Readable failure messages.
void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QColor kBlack = toQColor(clBlack);
const QColor kGreen = toQColor(clGreen); // the default palette's Low colour
const QColor kLime = toQColor(clLime);   // default character colour
const QColor kUnlit(0, 45, 0);           // unlit dots: lime at 18 % of its brightness
const QColor kRed = toQColor(clRed);

// Top-left corner of cell k (0-based) of a horizontal matrix.
QPoint cellOrigin(const TVrMatrix &m, int k)
{
    const TVrMatrixCellGeometry g = vrMatrixCellGeometry(m.LedStyle());
    const QSize s = m.matrixSize();
    const int run = g.Width * m.Leds() + m.Spacing() * (m.Leds() - 1);
    return {(s.width() - run) / 2 + k * (g.Width + m.Spacing()), (s.height() - g.Height) / 2};
}

// The dots of cell k that are lit in the given colour, read back as a glyph.
TVrMatrixGlyph readGlyph(const QImage &img, const TVrMatrix &m, int k, const QColor &colour)
{
    const TVrMatrixCellGeometry g = vrMatrixCellGeometry(m.LedStyle());
    const QPoint o = cellOrigin(m, k);
    TVrMatrixGlyph glyph{};
    for (int r = 0; r < 7; ++r)
        for (int j = 0; j < 5; ++j) {
            const int x = o.x() + g.Width - g.DotSize - j * (g.DotSize + 1);
            const int y = o.y() + r * (g.DotSize + 1);
            if (img.pixelColor(x, y) == colour)
                glyph[r] |= std::uint8_t(1 << j);
        }
    return glyph;
}

// Which characters the cells show in the default colour ('.' for an unlit cell,
// '?' for a cell whose dots match no glyph).
QString shownText(const TVrMatrix &m)
{
    const QImage img = m.renderToImage();
    QString out;
    for (int k = 0; k < m.Leds(); ++k) {
        const TVrMatrixGlyph g = readGlyph(img, m, k, m.Palette().High);
        QChar c = u'?';
        if (g == TVrMatrixGlyph{})
            c = u'.';
        else
            for (int code = 33; code < 127; ++code)
                if (vrMatrixGlyph(code) == g) {
                    c = QChar(code);
                    break;
                }
        out.append(c);
    }
    return out;
}

TVrMatrix *scrollingMatrix(int leds, const QString &text)
{
    auto *m = new TVrMatrix;
    m->setLeds(leds);
    m->setText(text);
    m->setAutoScroll(true);
    return m;
}

} // namespace

TEST(LedMatrixFont, EveryCodeButBlankHasAGlyphAndTheKnownRowsHold)
{
    for (int code = 0; code < 128; ++code) {
        const bool empty = vrMatrixGlyph(code) == TVrMatrixGlyph{};
        EXPECT_EQ(empty, code == 32) << "code " << code;
        for (std::uint8_t row : vrMatrixGlyph(code))
            EXPECT_EQ(row & ~0x1F, 0) << "code " << code;
    }
    EXPECT_EQ(vrMatrixGlyph('A'), (TVrMatrixGlyph{0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}));
    EXPECT_EQ(vrMatrixGlyph('0'), (TVrMatrixGlyph{0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}));
    EXPECT_EQ(vrMatrixGlyph('?'), (TVrMatrixGlyph{0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}));
    EXPECT_EQ(vrMatrixGlyph('a'), (TVrMatrixGlyph{0x00, 0x00, 0x0E, 0x12, 0x12, 0x12, 0x0D}));
    EXPECT_EQ(vrMatrixGlyph(1), (TVrMatrixGlyph{0x04, 0x00, 0x04, 0x08, 0x11, 0x11, 0x0E}));
    EXPECT_EQ(vrMatrixGlyph(127), (TVrMatrixGlyph{0x0A, 0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A}));
    // Glyphs of different characters differ (no copy-and-paste slips in the table).
    for (int a = 33; a < 127; ++a)
        for (int b = a + 1; b < 127; ++b)
            EXPECT_NE(vrMatrixGlyph(a), vrMatrixGlyph(b)) << a << " and " << b;
}

TEST(LedMatrixPainting, LetterADotsInEveryStyleArePixelExact)
{
    const struct {
        TVrMatrixLedStyle style;
        int w, h, dot;
    } styles[] = {{ls9x13, 9, 13, 1}, {ls14x20, 14, 20, 2}, {ls19x27, 19, 27, 3}};
    const TVrMatrixGlyph &a = vrMatrixGlyph('A');
    for (const auto &s : styles) {
        TVrMatrix m;
        m.setLeds(1);
        m.setLedStyle(s.style);
        m.setText(QStringLiteral("A"));
        const QImage img = m.renderToImage();
        ASSERT_EQ(img.size(), QSize(s.w + 4, s.h + 4));
        // Cell at (2, 2) inside the 2-pixel frame; columns counted from the right edge.
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x) {
                const int fromRight = s.w - 1 - x;
                const bool onDot = fromRight % (s.dot + 1) < s.dot && y % (s.dot + 1) < s.dot;
                const int j = fromRight / (s.dot + 1), r = y / (s.dot + 1);
                QColor want = kBlack;
                if (onDot)
                    want = (a[r] >> j) & 1 ? kLime : kUnlit;
                ASSERT_EQ(img.pixelColor(2 + x, 2 + y), want)
                    << "style " << s.w << "x" << s.h << " at " << x << "," << y;
            }
    }
}

TEST(LedMatrixPainting, ColourCodes)
{
    TVrMatrix m;
    m.setLeds(6);
    m.setText(QStringLiteral("x%Ayz%Gq"));
    EXPECT_EQ(m.DisplayText(), QStringLiteral("XYZQ"));
    EXPECT_EQ(m.ColorCodes(), QStringLiteral("-AA-"));
    QImage img = m.renderToImage();
    EXPECT_EQ(readGlyph(img, m, 0, kLime), vrMatrixGlyph('X'));
    EXPECT_EQ(readGlyph(img, m, 1, kRed), vrMatrixGlyph('Y'));
    EXPECT_EQ(readGlyph(img, m, 2, kRed), vrMatrixGlyph('Z'));
    EXPECT_EQ(readGlyph(img, m, 3, kLime), vrMatrixGlyph('Q'));
    EXPECT_EQ(readGlyph(img, m, 1, kLime), TVrMatrixGlyph{});

    // "%%" is one percent sign in the current colour; a lone final "%" is dropped;
    // codes take either case and "%0" returns to the default.
    m.setText(QStringLiteral("%b1%%%0!%"));
    EXPECT_EQ(m.DisplayText(), QStringLiteral("1%!"));
    EXPECT_EQ(m.ColorCodes(), QStringLiteral("bb0"));
    img = m.renderToImage();
    EXPECT_EQ(readGlyph(img, m, 0, kLime), vrMatrixGlyph('1')); // %B is lime as well
    EXPECT_EQ(readGlyph(img, m, 1, kLime), vrMatrixGlyph('%'));
    EXPECT_EQ(readGlyph(img, m, 2, kLime), vrMatrixGlyph('!'));

    const struct {
        QChar code;
        TColor colour;
    } table[] = {{u'1', clBlack}, {u'2', clMaroon}, {u'5', clNavy}, {u'9', clSilver},
                 {u'a', clRed},   {u'C', clYellow}, {u'f', clAqua}};
    for (const auto &row : table)
        EXPECT_EQ(vrMatrixCodeColor(row.code, kLime), toQColor(row.colour)) << int(row.code.unicode());
    EXPECT_EQ(vrMatrixCodeColor(u'-', kLime), kLime);
    EXPECT_EQ(vrMatrixCodeColor(u'0', kLime), kLime);

    // A new palette recolours default characters and the unlit dots, which are
    // a dim copy of the lit colour whatever the palette's Low colour is.
    m.setText(QStringLiteral("A"));
    m.setPalette(TVrPalette{toQColor(clNavy), toQColor(clYellow)});
    img = m.renderToImage();
    EXPECT_EQ(readGlyph(img, m, 0, toQColor(clYellow)), vrMatrixGlyph('A'));
    EXPECT_EQ(readGlyph(img, m, 1, QColor(45, 45, 0)), (TVrMatrixGlyph{0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F}));
    m.setColor(toQColor(clTeal));
    img = m.renderToImage();
    const QPoint o = cellOrigin(m, 1);
    EXPECT_EQ(img.pixelColor(o.x() + 2, o.y()), toQColor(clTeal)); // the gap between dots
    EXPECT_EQ(img.pixelColor(o.x() - 1, o.y()), toQColor(clTeal)); // the spacing between cells
}

TEST(LedMatrixPainting, CaseChangesThatLengthenTheTextKeepEachCharactersColour)
{
    const QColor kYellow = toQColor(clYellow);
    // Upper case makes one character of some into two: each of them is drawn in
    // the colour of the character it came from, and what follows keeps its own.
    const struct {
        const char *text;
        const char *shown;
        const char *codes;
        std::vector<QColor> colours; // of the lit dots, cell by cell
    } table[] = {
        {"\xc3\x9f\xc3\x9f%Axyz", "SSSSXYZ", "----AAA", {kLime, kLime, kLime, kLime, kRed, kRed, kRed}},
        {"%A\xef\xac\x81%0x", "FIX", "AA0", {kRed, kRed, kLime}},
        {"a%C\xc3\x9f%Ab", "ASSB", "-CCA", {kLime, kYellow, kYellow, kRed}},
    };
    for (const auto &row : table) {
        TVrMatrix m;
        m.setLeds(int(row.colours.size()));
        m.setText(QString::fromUtf8(row.text));
        EXPECT_EQ(m.DisplayText(), QString::fromUtf8(row.shown)) << row.text;
        EXPECT_EQ(m.ColorCodes(), QString::fromUtf8(row.codes)) << row.text;
        const QImage img = m.renderToImage();
        for (int k = 0; k < m.Leds(); ++k)
            EXPECT_EQ(readGlyph(img, m, k, row.colours[size_t(k)]), vrMatrixGlyph(row.shown[k]))
                << row.text << " cell " << k;
    }

    // A long run: 200 sharp s become 400 letters, all in the default colour, up to
    // the last cell of the text.
    TVrMatrix m;
    m.setLeds(10);
    m.setAlignment(taRightJustify);
    m.setText(QString(200, QChar(0xDF)) + QStringLiteral("%A!"));
    EXPECT_EQ(m.DisplayText(), QString(400, u'S') + u'!');
    EXPECT_EQ(m.ColorCodes(), QString(400, u'-') + u'A');
    const QImage img = m.renderToImage();
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(readGlyph(img, m, k, kLime), vrMatrixGlyph('S')) << k;
    EXPECT_EQ(readGlyph(img, m, 9, kRed), vrMatrixGlyph('!'));
}

TEST(LedMatrixPainting, AlignmentPicksTheCells)
{
    TVrMatrix m;
    m.setLeds(10);
    m.setText(QStringLiteral("abc"));
    EXPECT_EQ(shownText(m), QStringLiteral("ABC......."));
    m.setAlignment(taRightJustify);
    EXPECT_EQ(shownText(m), QStringLiteral(".......ABC"));
    m.setAlignment(taCenter);
    EXPECT_EQ(shownText(m), QStringLiteral("...ABC...."));
    // Too long a text centred shows its middle.
    m.setText(QStringLiteral("0123456789ABCD"));
    EXPECT_EQ(shownText(m), QStringLiteral("23456789AB"));
}

TEST(LedMatrixPainting, UnlitCellsAndCharactersWithoutGlyph)
{
    TVrMatrix m;
    m.setLeds(3);
    m.setTextStyle(tsAsIs);
    m.setText(QString::fromUtf8("\xc3\xa9" "A\xe2\x82\xac"));
    EXPECT_EQ(shownText(m), QStringLiteral(".A."));
    const QImage img = m.renderToImage();
    EXPECT_EQ(readGlyph(img, m, 0, kUnlit), (TVrMatrixGlyph{0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F}));

    // Without the unlit picture a blank cell is plain background.
    m.setLedsVisible(false);
    const QImage bare = m.renderToImage();
    EXPECT_EQ(readGlyph(bare, m, 0, kBlack), (TVrMatrixGlyph{0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F}));
    EXPECT_EQ(readGlyph(bare, m, 1, kLime), vrMatrixGlyph('A'));
}

TEST(LedMatrixText, TextStyles)
{
    const struct {
        TVrTextStyle style;
        const char *in;
        const char *shown;
    } table[] = {
        {tsUpperCase, "Hello world", "HELLO WORLD"},
        {tsLowerCase, "Hello WORLD", "hello world"},
        {tsAsIs, "Hello WORLD", "Hello WORLD"},
        {tsProperCase, "  hello world", "  Hello world"},
        {tsProperCase, "HELLO WORLD", "Hello world"},
        {tsProperCase, "   x", "   X"},
        {tsProperCase, "q", "Q"},
        {tsProperCase, "", ""},
    };
    for (const auto &row : table) {
        TVrMatrix m;
        m.setTextStyle(row.style);
        m.setText(QString::fromUtf8(row.in));
        EXPECT_EQ(m.DisplayText(), QString::fromUtf8(row.shown)) << row.in;
    }
    // Changing the style parses the text again; colour codes survive.
    TVrMatrix m;
    m.setText(QStringLiteral("%Aab"));
    m.setTextStyle(tsAsIs);
    EXPECT_EQ(m.DisplayText(), QStringLiteral("ab"));
    EXPECT_EQ(m.ColorCodes(), QStringLiteral("AA"));
}

TEST(LedMatrixGeometry, SizeFollowsTheCells)
{
    TVrMatrix m;
    EXPECT_EQ(m.size(), QSize(242, 24)); // 15 cells of 14 x 20, spacing 2, frame 2
    m.setLeds(10);
    m.setLedStyle(ls9x13);
    EXPECT_EQ(m.size(), QSize(112, 17));
    m.setBounds(30, 40, 500, 500);
    EXPECT_EQ(m.geometry(), QRect(30, 40, 112, 17));
    EXPECT_EQ(m.renderToImage().size(), QSize(112, 17));
    m.setOrientation(Qt::Vertical);
    EXPECT_EQ(m.size(), QSize(13, 152));
    TVrBevel b = m.Bevel();
    b.OuterStyle = bsRaised;
    b.OuterWidth = 1;
    m.setBevel(b);
    EXPECT_EQ(m.size(), QSize(15, 154));
    m.setSpacing(0);
    m.setLedStyle(ls19x27);
    EXPECT_EQ(m.size(), QSize(25, 276));

    // Vertical cells are stacked from the top, the text reading downwards.
    TVrMatrix v;
    v.setLeds(2);
    v.setOrientation(Qt::Vertical);
    v.setText(QStringLiteral("AB"));
    const QImage img = v.renderToImage();
    // Second cell: 2 + 20 + 2 pixels down.
    EXPECT_EQ(img.pixelColor(2 + 0, 24), kLime);      // "B" row 0, leftmost dot
    EXPECT_EQ(img.pixelColor(2 + 12, 24), kUnlit);    // "B" row 0, rightmost dot unlit
    EXPECT_EQ(img.pixelColor(2 + 12, 2 + 9), kLime);  // "A" row 3 is a full bar
}

TEST(LedMatrixScroll, RightToLeftPassesAndWraps)
{
    std::unique_ptr<TVrMatrix> m(scrollingMatrix(5, QStringLiteral("abc")));
    QSignalSpy done(m.get(), &TVrMatrix::OnScrollDone);
    EXPECT_EQ(m->FirstVisibleIndex(), 1);
    m->scrollStep();
    m->scrollStep();
    EXPECT_EQ(m->FirstVisibleIndex(), 3);
    EXPECT_EQ(shownText(*m), QStringLiteral("C...."));
    EXPECT_EQ(done.count(), 0);
    m->scrollStep(); // end of the pass
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(m->FirstVisibleIndex(), 1 - 5);
    EXPECT_EQ(shownText(*m), QStringLiteral("....."));
    m->scrollStep();
    EXPECT_EQ(shownText(*m), QStringLiteral("....A"));
    for (int k = 0; k < 6; ++k)
        m->scrollStep();
    EXPECT_EQ(m->FirstVisibleIndex(), 3);
    // Each further pass is L + Leds steps long and fires once.
    for (int pass = 0; pass < 3; ++pass) {
        m->scrollStep();
        EXPECT_EQ(done.count(), 2 + pass) << pass;
        EXPECT_EQ(m->FirstVisibleIndex(), -4);
        for (int k = 0; k < 7; ++k)
            m->scrollStep();
        EXPECT_EQ(done.count(), 2 + pass) << pass;
    }
    m->scrollStep();
    m->scrollStep();

    // A new text keeps the scroll position.
    m->setText(QStringLiteral("wxyz"));
    EXPECT_EQ(m->FirstVisibleIndex(), -3);
    EXPECT_EQ(shownText(*m), QStringLiteral("....W"));
}

TEST(LedMatrixScroll, LeftToRightPassesAndWraps)
{
    std::unique_ptr<TVrMatrix> m(scrollingMatrix(4, QStringLiteral("ab")));
    m->setScrollDirection(msdLeftToRight);
    QSignalSpy done(m.get(), &TVrMatrix::OnScrollDone);
    for (int k = 0; k < 4; ++k) // 1 down to 1 - Leds
        m->scrollStep();
    EXPECT_EQ(m->FirstVisibleIndex(), -3);
    EXPECT_EQ(done.count(), 0);
    m->scrollStep();
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(m->FirstVisibleIndex(), 2);
    EXPECT_EQ(shownText(*m), QStringLiteral("B..."));
    m->scrollStep();
    EXPECT_EQ(shownText(*m), QStringLiteral("AB.."));
    for (int k = 0; k < 4; ++k)
        m->scrollStep();
    EXPECT_EQ(done.count(), 1);
    m->scrollStep();
    EXPECT_EQ(done.count(), 2);
}

TEST(LedMatrixScroll, EmptyTextCountsThroughBlankCells)
{
    std::unique_ptr<TVrMatrix> m(scrollingMatrix(4, QString()));
    QSignalSpy done(m.get(), &TVrMatrix::OnScrollDone);
    m->scrollStep(); // 1 is past the (empty) text: wrap
    EXPECT_EQ(done.count(), 1);
    QList<int> seen;
    for (int k = 0; k < 8; ++k) {
        seen.append(m->FirstVisibleIndex());
        EXPECT_EQ(shownText(*m), QStringLiteral("...."));
        m->scrollStep();
    }
    EXPECT_EQ(seen, (QList<int>{-3, -2, -1, 0, -3, -2, -1, 0}));
    EXPECT_EQ(done.count(), 3);
}

TEST(LedMatrixScroll, StillTextIgnoresStepsAndTimerRunsOnlyWhenShown)
{
    TVrMatrix m;
    m.setLeds(10);
    m.setText(QStringLiteral("abc"));
    m.setAlignment(taRightJustify);
    m.scrollStep();
    EXPECT_EQ(m.FirstVisibleIndex(), -6);
    EXPECT_EQ(shownText(m), QStringLiteral(".......ABC"));

    // Scrolling starts where the alignment left the text.
    m.setAutoScroll(true);
    m.scrollStep();
    EXPECT_EQ(shownText(m), QStringLiteral("......ABC."));

    EXPECT_FALSE(m.timer()->Enabled());
    m.show();
    EXPECT_TRUE(m.timer()->Enabled());
    m.hide();
    EXPECT_FALSE(m.timer()->Enabled());
    m.show();
    m.setAutoScroll(false);
    EXPECT_FALSE(m.timer()->Enabled());
    EXPECT_EQ(shownText(m), QStringLiteral(".......ABC"));
}

TEST(LedMatrixScroll, DefaultsAndTheTimerTicksScroll)
{
    TVrMatrix m;
    EXPECT_EQ(m.Leds(), 15);
    EXPECT_EQ(m.Spacing(), 2);
    EXPECT_EQ(m.LedStyle(), ls14x20);
    EXPECT_TRUE(m.LedsVisible());
    EXPECT_EQ(m.TextStyle(), tsUpperCase);
    EXPECT_EQ(m.TimeInterval(), 500);
    EXPECT_TRUE(m.Threaded());
    EXPECT_FALSE(m.AutoScroll());
    EXPECT_EQ(m.Palette(), (TVrPalette{kGreen, kLime}));
    EXPECT_EQ(m.Color(), kBlack);
    EXPECT_EQ(m.Bevel().BorderWidth(), 2);

    m.setLeds(10);
    m.setLedStyle(ls9x13);
    m.setText(QStringLiteral("INTERNET CONNECTION?"));
    m.setTimeInterval(20);
    m.setAutoScroll(true);
    m.show();
    QSignalSpy done(&m, &TVrMatrix::OnScrollDone);
    // 20 positions to the end of the text, then the wrap.
    EXPECT_TRUE(done.wait(3000));
    EXPECT_EQ(m.FirstVisibleIndex(), -9);
    m.setThreaded(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m.FirstVisibleIndex() > -5; }, 2000));
}
