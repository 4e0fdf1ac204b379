#pragma once
// The main window's background: paints the skin's picture over the whole client
// area, moves the borderless window when the left button is pressed on a free
// spot, and opens its pop-up menu on a right click.

#include <QImage>
#include <QWidget>

class QMenu;

class TVrFormShape : public QWidget {
    Q_OBJECT
public:
    explicit TVrFormShape(QWidget *parent = nullptr);

    const QImage &Mask() const { return m_mask; }
    void setMask(const QImage &picture);
    using QWidget::setMask;
    QColor MaskColor() const { return m_maskColor; }
    void setMaskColor(const QColor &color);
    QMenu *PopupMenu() const { return m_popup; }
    void setPopupMenu(QMenu *menu) { m_popup = menu; }

Q_SIGNALS:
    // The pointer moved over the background (window client coordinates).
    void OnMouseMove(Qt::MouseButtons buttons, int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QImage m_mask;
    QColor m_maskColor;
    QMenu *m_popup = nullptr;
    bool m_painted = false;
};
