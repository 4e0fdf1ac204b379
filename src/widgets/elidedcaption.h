#pragma once
// Captions of a fixed width that end in "…" when their text is longer than the
// room they have, instead of being cut off in the middle of a letter. The text
// itself stays whole (the program reads station and band names back from these
// captions); the whole text is the caption's tooltip while it is shortened.

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QString>

// text as it fits into width pixels in font: whole, or cut at the end with "…".
// Mnemonic markers ("&") count as the toolkit draws them when mnemonics is set.
QString elidedCaption(const QString &text, const QFont &font, int width, bool mnemonics = false);

// text as it reads on screen: "&" before a character marks the accelerator and
// is not shown, "&&" shows one "&".
QString withoutMnemonics(const QString &text);

// Keeps a widget's tooltip at the whole text while its caption is shortened and
// clears it again once the text fits; a tooltip the program set itself stays.
class TElidedTip {
public:
    void update(QWidget *widget, const QString &whole, bool shortened);

private:
    QString m_shown; // the tooltip this helper set, empty when none
};

// A single-line label that shortens its text with "…" at the end.
class TElidingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The text as it is painted now.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    TElidedTip m_tip;
};

// A drop-down list whose closed box shortens the chosen entry with "…".
class TElidingComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TElidingComboBox(QWidget *parent = nullptr);

    // The chosen entry as the closed box paints it now.
    QString shownText() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int textWidth() const;
    void updateTip();
    void refreshTip();

    TElidedTip m_tip;
    bool m_tipStale = true;
};
