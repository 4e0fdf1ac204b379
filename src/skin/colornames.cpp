#include "skin/colornames.h"

#include "platform/errors.h"

#include <array>

namespace {

struct ColorName {
    TColor value;
    const char *name;
};

// The widget family's colour names. Each value has exactly one name, so writing
// a colour by name and reading the name back always gives the same value.
constexpr std::array<ColorName, 52> kColorNames = {{
    {0x000000, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},
    {0xC0DCC0, "clMoneyGreen"},
    {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},
    {0xA4A0A0, "clMedGray"},
    {0x8000000A, "clActiveBorder"},
    {0x80000002, "clActiveCaption"},
    {0x8000000C, "clAppWorkSpace"},
    {0x80000001, "clBackground"},
    {0x8000000F, "clBtnFace"},
    {0x80000014, "clBtnHighlight"},
    {0x80000010, "clBtnShadow"},
    {0x80000012, "clBtnText"},
    {0x80000009, "clCaptionText"},
    {0x20000000, "clDefault"},
    {0x8000001B, "clGradientActiveCaption"},
    {0x8000001C, "clGradientInactiveCaption"},
    {0x80000011, "clGrayText"},
    {0x8000000D, "clHighlight"},
    {0x8000000E, "clHighlightText"},
    {0x8000001A, "clHotLight"},
    {0x8000000B, "clInactiveBorder"},
    {0x80000003, "clInactiveCaption"},
    {0x80000013, "clInactiveCaptionText"},
    {0x80000018, "clInfoBk"},
    {0x80000017, "clInfoText"},
    {0x80000004, "clMenu"},
    {0x8000001E, "clMenuBar"},
    {0x8000001D, "clMenuHighlight"},
    {0x80000007, "clMenuText"},
    {0x1FFFFFFF, "clNone"},
    {0x80000000, "clScrollBar"},
    {0x80000015, "cl3DDkShadow"},
    {0x80000016, "cl3DLight"},
    {0x80000005, "clWindow"},
    {0x80000006, "clWindowFrame"},
    {0x80000008, "clWindowText"},
}};

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

} // namespace

QString ColorToString(TColor color)
{
    for (const ColorName &c : kColorNames) {
        if (c.value == color)
            return QLatin1String(c.name);
    }
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

bool IdentToColor(const QString &text, TColor &color)
{
    for (const ColorName &c : kColorNames) {
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            color = c.value;
            return true;
        }
    }
    return false;
}

TColor StringToColor(const QString &text)
{
    TColor color = 0;
    if (IdentToColor(text, color))
        return color;
    return static_cast<TColor>(StrToInt(text));
}

std::int32_t StrToInt(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;

    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }

    bool hex = false;
    if (i < n && (text.at(i) == QLatin1Char('$') || text.at(i) == QLatin1Char('x') || text.at(i) == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
               && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }

    // Hexadecimal fills all 32 bits; decimal stays within the signed range, one
    // more on the negative side.
    const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    const int base = hex ? 16 : 10;
    std::uint64_t magnitude = 0;
    if (i == n)
        throw EConvertError::notAnInteger(text);
    for (; i < n; ++i) {
        const int d = hexDigit(text.at(i));
        if (d < 0 || d >= base)
            throw EConvertError::notAnInteger(text);
        magnitude = magnitude * base + static_cast<std::uint64_t>(d);
        if (magnitude > limit)
            throw EConvertError::notAnInteger(text);
    }

    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
}
