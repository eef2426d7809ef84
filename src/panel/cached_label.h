#pragma once

#include <QLabel>
#include <QPixmap>

// A plain label (a line of plain text or a picture, no frame, margin or
// scaling) that draws itself once and shows that drawing from then on,
// until its text, picture, size, alignment, font, colours, style or the
// screen's pixel ratio change. The panel's name display passes beneath such
// labels 50 times a second, and each step repaints the part of them it
// changes: a label whose text is laid out afresh every time would cost more
// than the step itself.
/// Whether a change event of a label changes how its text is drawn.
bool ChangesTextDrawing(const QEvent* event);

class CachedLabel final : public QLabel
{
    Q_OBJECT
public:
    explicit CachedLabel(QWidget* parent = nullptr);
    ~CachedLabel() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool drawingIsCurrent() const;

    QPixmap m_drawing;
    QString m_drawnText;
    qint64 m_drawnPicture = 0;
    Qt::Alignment m_drawnAlignment;
    bool m_stale = true;
};
