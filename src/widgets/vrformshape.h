#pragma once
// The main window's background: paints the skin's picture over the whole client
// area and cuts the window to the picture's outline (every pixel of the mask colour
// is left out, so the desktop shows through), moves the borderless window when the
// left button is pressed on a free spot, and opens its pop-up menu on a right click.
//
// On X11 the window's shape cuts everything in it, controls included. A Wayland
// compositor takes the window's mask for input only and shows every pixel the
// window draws, so there the window is translucent: the picture is painted
// transparent outside the outline, and each control of the window that reaches
// out of the outline gets the outline as its own mask.

#include "widgets/vrcolors.h"
#include "widgets/vrregion.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

class QMenu;

// The outline the main window starts with, before any picture has been scanned:
// one rectangle from 0, 0 to 599, 350.
TVrRgnData mainWindowOutline();

// The picture as the window shows it: opaque inside the outline, fully transparent
// outside (a compositor that ignores the window's shape, as on Wayland, then still
// shows the desktop there). An empty outline cuts nothing.
QImage shapedPicture(const QImage &picture, const QRegion &outline);

class TVrFormShape : public QWidget {
    Q_OBJECT
public:
    // The parent must be a top-level window (throws std::invalid_argument
    // "VrFormShape requires a FORM as parent!" otherwise); it loses its frame and,
    // on Wayland, gets a translucent background. A parent that is translucent
    // (on any platform) has its controls cut to the outline. The shape starts in
    // its loading state.
    explicit TVrFormShape(QWidget *parent = nullptr);

    const QImage &Mask() const { return m_mask; }
    // Copies the picture; once loaded, rescans the outline and applies it.
    void setMask(const QImage &picture);
    using QWidget::setMask;

    QColor MaskColor() const { return toQColor(m_maskColor); }
    TColor MaskColorValue() const { return m_maskColor; }
    // Nothing happens for the colour already set; otherwise, once loaded, the
    // outline is rescanned and applied. A system colour cuts nothing.
    void setMaskColor(TColor color);
    void setMaskColor(const QColor &color);
    void setMaskColor(Qt::GlobalColor color) { setMaskColor(QColor(color)); }

    // The outline in its stored form; setting it applies nothing by itself.
    const TVrRgnData &RgnData() const { return m_rgnData; }
    void setRgnData(const TVrRgnData &stored) { m_rgnData = stored; }

    // While loading, picture and colour are only stored. Loaded() ends that state
    // and applies the stored outline once; the first showing does the same.
    bool isLoading() const { return m_loading; }
    void Loaded();

    // Cuts the parent window to the stored outline; a window keeps its present
    // shape while the outline is empty.
    void ApplyRegion();
    // The outline last applied, in this widget's coordinates (empty before).
    const QRegion &Outline() const { return m_outline; }
    // How many times the picture has been scanned.
    int RegionScans() const { return m_scans; }

    QMenu *PopupMenu() const { return m_popup; }
    void setPopupMenu(QMenu *menu) { m_popup = menu; }

Q_SIGNALS:
    // The pointer moved over the background (window client coordinates).
    void OnMouseMove(Qt::MouseButtons buttons, int x, int y);
    // The background was painted for the first time: the window is on screen.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rescan();
    // Gives a control of the parent window the part of the outline it covers as
    // its mask (none when it lies wholly inside).
    void cutControl(QWidget *control);
    void cutControls();

    QImage m_mask;
    QImage m_display; // the picture with everything outside the outline transparent
    TColor m_maskColor = clOlive;
    TVrRgnData m_rgnData;
    QRegion m_outline;
    QMenu *m_popup = nullptr;
    int m_scans = 0;
    bool m_loading = true;
    bool m_painted = false;
    bool m_cutsControls = false;
};
