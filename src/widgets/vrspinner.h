#pragma once
// Up/down spinner: an up arrow over a down arrow. A press on an arrow repeats its
// click while held; the release over the arrow fires it once more. With the
// focus (Tab or a click), the Up and Down keys click the arrows, once for each
// key press the keyboard sends, so a held key repeats too.

#include "widgets/vrcolors.h"

#include <QImage>
#include <QPolygon>
#include <QWidget>

class QTimer;

class TVrSpinner : public QWidget {
    Q_OBJECT
public:
    // Held down, an arrow repeats first after kRepeatDelay ms, then every
    // kRepeatInterval ms.
    static constexpr int kRepeatDelay = 400;
    static constexpr int kRepeatInterval = 100;

    enum Arrow { NoArrow, UpArrow, DownArrow };

    explicit TVrSpinner(QWidget *parent = nullptr);

    const TVrPalette &Palette() const { return m_palette; }
    void setPalette(const TVrPalette &palette);
    using QWidget::setPalette;
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    // The arrow whose triangle contains p (its shape, not its box).
    Arrow arrowAt(const QPoint &p) const;
    // The triangle of an arrow in widget pixels.
    QPolygon arrowShape(Arrow arrow) const;
    Arrow pressedArrow() const { return m_pressedLook ? m_pressed : NoArrow; }

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override { return {21, 38}; }

Q_SIGNALS:
    void OnUpClick();
    void OnDownClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void fire(Arrow arrow);
    void repeat();
    void stopPress();
    QRect arrowBox(Arrow arrow) const;

    TVrPalette m_palette;
    QColor m_color = Qt::black;
    Arrow m_pressed = NoArrow; // arrow the captured press began on
    bool m_pressedLook = false;
    bool m_repeated = false;
    QTimer *m_repeat = nullptr;
    mutable QImage m_upArt[2]; // recoloured: [0] released, [1] pressed
    mutable QImage m_downArt[2];
};
