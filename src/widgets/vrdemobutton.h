#pragma once
// Owner-drawn push button: outline, raised bevel, face colour or picture, and a
// caption whose font changes while the mouse is over the button. A caption
// longer than the button is shortened with "…" at its end and shown whole as
// the button's tooltip.

#include "widgets/elidedcaption.h"
#include "widgets/vrbevel.h"
#include "widgets/vrcolors.h"

#include <QImage>
#include <QWidget>

class QShortcut;

class TVrDemoButton : public QWidget {
    Q_OBJECT
public:
    explicit TVrDemoButton(QWidget *parent = nullptr);

    const TVrFont &FontEnter() const { return m_fontEnter; }
    void setFontEnter(const TVrFont &font);
    const TVrFont &FontLeave() const { return m_fontLeave; }
    void setFontLeave(const TVrFont &font);
    QColor DisabledTextColor() const { return m_disabledTextColor; }
    void setDisabledTextColor(const QColor &color);
    QColor OutlineColor() const { return m_outlineColor; }
    void setOutlineColor(const QColor &color);
    int OutlineWidth() const { return m_outlineWidth; }
    void setOutlineWidth(int width);
    QColor FocusColor() const { return m_focusColor; }
    void setFocusColor(const QColor &color);
    QColor HighlightColor() const { return m_highlightColor; }
    void setHighlightColor(const QColor &color);
    QColor ShadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor &color);
    int BevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);
    void setFlat(bool on);
    void setTextAlignment(Qt::Alignment alignment);
    int Font3DHighlightDepth() const { return m_highlightDepth; }
    int Font3DShadowDepth() const { return m_shadowDepth; }
    void setFont3D(int highlightDepth, int shadowDepth);
    const QImage &Bitmap() const { return m_bitmap; }
    void setBitmap(const QImage &bitmap);
    // "&" marks the accelerator character, "&&" stands for a literal "&".
    const QString &Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    bool isPressedLook() const { return m_pressedLook; }
    bool isMouseInside() const { return m_mouseInside; }
    // The font and colour the caption is drawn in right now.
    TVrFont currentFont() const;
    // The caption as it is drawn right now: whole, or shortened with "…".
    QString shownCaption() const;
    // Where the caption is drawn: inside the outline and the bevel.
    QRect captionRect() const;

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override { return {150, 25}; }

Q_SIGNALS:
    void OnClick();
    void OnMouseDown(Qt::MouseButton button, QPoint pos);
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void captionChanged();
    void refreshTip();
    void setPressedLook(bool on);
    void releasePress();
    void accelerator();

    TVrFont m_fontEnter;
    TVrFont m_fontLeave;
    QColor m_disabledTextColor = toQColor(clGray);
    QColor m_outlineColor = toQColor(clBlack);
    int m_outlineWidth = 1;
    QColor m_focusColor = toQColor(clBlue);
    QColor m_highlightColor = toQColor(clBtnHighlight);
    QColor m_shadowColor = toQColor(clBtnShadow);
    int m_bevelWidth = 2;
    bool m_flat = false;
    Qt::Alignment m_textAlignment = Qt::AlignCenter;
    int m_highlightDepth = 1;
    int m_shadowDepth = 1;
    QImage m_bitmap;
    QString m_caption;
    QColor m_color = toQColor(clBtnFace);

    bool m_pressedLook = false;
    bool m_mouseDown = false; // left button pressed here, mouse captured
    bool m_spaceDown = false; // press began with the Space key
    bool m_mouseInside = false;
    QShortcut *m_shortcut = nullptr;
    TElidedTip m_tip;
    bool m_tipStale = true;
};
