#pragma once
// A fixed picture drawn at the top-left corner of its widget, nothing more: no
// frame, no text, no style. Opaque pictures mark the widget opaque, so showing,
// hiding or repainting it leaves the widgets beneath alone.

#include <QImage>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    const QImage &Picture() const { return m_picture; }
    void setPicture(const QImage &picture);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateOpacity();

    QImage m_picture;
};
