#pragma once
// A fixed picture drawn at the top-left corner of its widget, nothing more: no
// frame, no text, no style. Opaque pictures mark the widget opaque, so showing,
// hiding or repainting it leaves the widgets beneath alone.
//
// Shown is the picture's own visibility, as a picture control on a form has it:
// a picture that is not shown draws nothing, and what lies beneath shows through
// and takes the mouse. Switching it only repaints the picture's rectangle; the
// widget stays a shown widget, so a picture that blinks ten times a second costs
// no show and hide events, layout requests or pointer bookkeeping.

#include <QImage>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    const QImage &Picture() const { return m_picture; }
    void setPicture(const QImage &picture);
    bool Shown() const { return m_shown; }
    void setShown(bool shown);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateOpacity();

    QImage m_picture;
    bool m_shown = true;
};
