#pragma once

#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QRegion>

// The panel's scrolling name display: a caption box of a fixed size that
// slides along a strip of its parent, beneath the controls standing there.
// It moves 50 times a second for as long as the panel is on screen, so a
// step has to cost next to nothing:
//  - the caption is rendered once into a pixmap, and again only when its
//    text, font, colours or the screen's pixel ratio change;
//  - a step repaints only the pixels that the caption's drawing covered or
//    covers now, less the controls above it that hide the strip completely,
//    so that those controls are not drawn again for a caption that passes
//    beneath them. A control that lets the strip show through (a label, a
//    picture with transparent corners) is drawn again where the caption
//    beneath it changes, as it must be.
// The widget spans its parent's width at the caption's height and does not
// move itself: the caption's place is captionLeft().
class NameDisplay final : public QLabel
{
    Q_OBJECT
public:
    explicit NameDisplay(QWidget* parent = nullptr);
    ~NameDisplay() override;

    /// Takes the label's present geometry as the caption's box and spans the
    /// parent's width at that height; the caption stays where the box was.
    void spanParentWidth();
    /// The caption's left edge, in the parent's pixels.
    int captionLeft() const { return m_captionLeft; }
    /// The caption's box, in the parent's pixels.
    QRect captionGeometry() const { return QRect(QPoint(m_captionLeft, y()), m_captionSize); }
    void setCaptionLeft(int left);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A control above the strip, and whether it hides all of the strip it
    // stands on.
    struct Cover
    {
        QPointer<QWidget> widget;
        bool opaque = false;
        bool stale = true;
    };

    // The caption drawn for the screen's pixel ratio `ratio`.
    const QPixmap& caption(qreal ratio);
    // The bounds of the caption's drawn pixels where it stands now, in this
    // widget's coordinates.
    QRect captionInk();
    // What the opaque controls above the strip hide of it.
    QRegion covered();
    void watchCovers();

    QSize m_captionSize;
    int m_captionLeft = 0;
    QPixmap m_caption;
    QRect m_captionInk; // the drawn pixels within the caption's box
    QString m_captionText;
    bool m_captionStale = true;
    QList<Cover> m_covers;
    QRegion m_covered; // what they hide together
    bool m_coveredStale = true;
    bool m_measuringCover = false;
};
