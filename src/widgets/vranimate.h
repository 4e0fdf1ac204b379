#pragma once
// Looping animation: one picture cut into FrameCols x FrameRows frames, shown one
// after another (row by row) at a fixed interval.

#include <QImage>
#include <QWidget>

class TVrTimer;

class TVrAnimate : public QWidget {
    Q_OBJECT
public:
    explicit TVrAnimate(QWidget *parent = nullptr);
    ~TVrAnimate() override;

    const QImage &Bitmap() const { return m_bitmap; }
    void setBitmap(const QImage &bitmap);
    int FrameCols() const { return m_cols; }
    void setFrameCols(int cols);
    int FrameRows() const { return m_rows; }
    void setFrameRows(int rows);
    int Interval() const { return m_interval; }
    void setInterval(int ms);
    bool Loop() const { return m_loop; }
    void setLoop(bool on);
    bool Active() const { return m_active; }
    void setActive(bool on);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool Threaded() const { return m_threaded; }
    void setThreaded(bool on);

    int FrameCount() const { return m_cols * m_rows; }
    int CurrentFrame() const { return m_frame; }
    void setCurrentFrame(int frame);
    QSize frameSize() const;
    // Whether the tick source is running right now.
    bool isTicking() const;

    // One tick: the next frame, back to the first when looping, else stop.
    void nextFrame();

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateTimer();
    void applyAutoSize();

    QImage m_bitmap;
    int m_cols = 1;
    int m_rows = 1;
    int m_interval = 150;
    bool m_loop = true;
    bool m_active = false;
    bool m_autoSize = true;
    bool m_threaded = true;
    int m_frame = 0;
    bool m_ticking = false;
    TVrTimer *m_timer = nullptr;
};
