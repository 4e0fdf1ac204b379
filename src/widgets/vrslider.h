#pragma once
// Fader: a thumb moving along a lit track inside a bevel, vertical by default with
// the largest value at the top.

#include "widgets/vrbevel.h"
#include "widgets/vrcolors.h"

#include <QImage>
#include <QWidget>

enum TVrSliderStyle { ssNormal, ssReversed };

enum TVrSliderOption { soJumpToClick = 1, soConfineCursor = 2 };

class TVrSlider : public QWidget {
    Q_OBJECT
public:
    explicit TVrSlider(QWidget *parent = nullptr);

    int MinValue() const { return m_min; }
    void setMinValue(int value);
    int MaxValue() const { return m_max; }
    void setMaxValue(int value);
    int Position() const { return m_position; }
    void setPosition(int position);
    int KeyIncrement() const { return m_keyIncrement; }
    void setKeyIncrement(int step);
    Qt::Orientation Orientation() const { return m_orientation; }
    void setOrientation(Qt::Orientation orientation);
    TVrSliderStyle Style() const { return m_style; }
    void setStyle(TVrSliderStyle style);
    int Options() const { return m_options; }
    void setOptions(int options);
    const TVrPalette &Palette() const { return m_palette; }
    void setPalette(const TVrPalette &palette);
    using QWidget::setPalette;
    const TVrBevel &Bevel() const { return m_bevel; }
    void setBevel(const TVrBevel &bevel);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    // Where the thumb is drawn for the current position, in widget pixels.
    QRect thumbRect() const;

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override;

Q_SIGNALS:
    void OnChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRect trackArea() const;
    int thumbLength() const;
    int travel() const;
    int offsetForPosition(int position) const; // thumb start along the track
    int positionForOffset(int offset) const;
    int along(const QPoint &p) const; // coordinate along the track
    void dragTo(const QPoint &p);
    void confineCursor();
    void artworkChanged();

    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    int m_keyIncrement = 5;
    Qt::Orientation m_orientation = Qt::Vertical;
    TVrSliderStyle m_style = ssNormal;
    int m_options = 0;
    TVrPalette m_palette;
    TVrBevel m_bevel;
    QColor m_color = Qt::black;

    bool m_dragging = false;
    int m_grabOffset = 0; // pointer minus thumb start when the drag began
    mutable QImage m_thumb; // recoloured thumb artwork for the current size
};
