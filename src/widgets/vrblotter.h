#pragma once
// Bevelled panel grouping controls into a block. Children are ordinary child
// widgets, so they move with the panel.

#include "widgets/vrbevel.h"

#include <QImage>
#include <QWidget>

class TVrBlotter : public QWidget {
    Q_OBJECT
public:
    explicit TVrBlotter(QWidget *parent = nullptr);

    // A blotter's bevel out of the box: raised outer edge, lowered inner edge,
    // one pixel each.
    static TVrBevel defaultBevel();

    const TVrBevel &Bevel() const { return m_bevel; }
    void setBevel(const TVrBevel &bevel);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    void setBackImage(const QImage &image);
    // A metal face: the panel's colour shows as brushed metal of that shade
    // (see metalShade), with a screw in each corner when screws is set.
    bool Metal() const { return m_metal; }
    void setMetal(bool on, bool screws = false);

    // The rectangle inside the bevels.
    QRect clientArea() const;

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override { return {185, 41}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TVrBevel m_bevel;
    QColor m_color;
    QImage m_backImage;
    bool m_metal = false;
    bool m_screws = false;
    mutable QImage m_cache; // the panel as last drawn; empty after a change
};
