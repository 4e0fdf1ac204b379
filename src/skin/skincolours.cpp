#include "skin/skincolours.h"

#include "widgets/vrcolors.h"
#include "widgets/vrdemobutton.h"

#include <QPalette>
#include <QWidget>

void setFontColor(QWidget *w, const QColor &c)
{
    if (!w)
        return;
    QPalette pal = w->palette();
    bool changed = false;
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            if (pal.color(group, role) != c) {
                pal.setColor(group, role, c);
                changed = true;
            }
    if (changed)
        w->setPalette(pal);
}

void TSkinColourTable::add(TSkinColour colour, std::function<void(const QColor &)> apply)
{
    m_targets.push_back(TSkinTarget{colour, std::move(apply)});
}

void TSkinColourTable::text(TSkinColour colour, QWidget *widget)
{
    if (widget)
        add(colour, [widget](const QColor &c) { setFontColor(widget, c); });
}

void TSkinColourTable::enter(TSkinColour colour, TVrDemoButton *button)
{
    if (button)
        add(colour, [button](const QColor &c) {
            button->setFontEnter(TVrFont{button->FontEnter().Font, c});
            button->setFocusColor(c);
        });
}

void TSkinColourTable::leave(TSkinColour colour, TVrDemoButton *button)
{
    if (button)
        add(colour, [button](const QColor &c) { button->setFontLeave(TVrFont{button->FontLeave().Font, c}); });
}

void TSkinColourTable::focus(TSkinColour colour, TVrDemoButton *button)
{
    if (button)
        add(colour, [button](const QColor &c) { button->setFocusColor(c); });
}

void TSkinColourTable::whole(std::function<void(const TSkin &)> apply) { m_whole.push_back(std::move(apply)); }

TColor skinColour(const TSkin &skin, TSkinColour colour)
{
    switch (colour) {
    case TSkinColour::Active: return skin.Active;
    case TSkinColour::Passive: return skin.Passive;
    case TSkinColour::WindowActive: return skin.WindowActive;
    case TSkinColour::WindowPassive: return skin.WindowPassive;
    case TSkinColour::ButtonText: return skin.ButtonText;
    case TSkinColour::MouseOver: return skin.MouseOver;
    case TSkinColour::PopUp: return skin.PopUp;
    }
    return clBlack;
}

void applySkinColours(const TSkin &skin, const TSkinColourTable &table)
{
    for (const TSkinTarget &target : table.targets())
        target.apply(toQColor(skinColour(skin, target.colour)));
    for (const auto &apply : table.wholeTargets())
        apply(skin);
}
