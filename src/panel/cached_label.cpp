#include "panel/cached_label.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QStyle>

CachedLabel::CachedLabel(QWidget* parent)
    : QLabel(parent)
{
}

CachedLabel::~CachedLabel() = default;

bool CachedLabel::drawingIsCurrent() const
{
    return !m_stale && m_drawnText == text() && m_drawnPicture == pixmap().cacheKey() &&
           m_drawnAlignment == alignment() && m_drawing.devicePixelRatio() == devicePixelRatioF();
}

void CachedLabel::paintEvent(QPaintEvent*)
{
    if (!drawingIsCurrent()) {
        // Drawn as the label draws itself, onto a transparent picture of its
        // size: the picture, or else the text, placed by the alignment.
        const qreal ratio = devicePixelRatioF();
        QImage picture((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setFont(font());
            const int align = int(QStyle::visualAlignment(layoutDirection(), alignment()));
            if (!pixmap().isNull())
                style()->drawItemPixmap(&painter, contentsRect(), align, pixmap());
            else
                style()->drawItemText(&painter, contentsRect(), align, palette(), isEnabled(), text(),
                                      foregroundRole());
        }
        m_drawing = QPixmap::fromImage(picture);
        m_drawnText = text();
        m_drawnPicture = pixmap().cacheKey();
        m_drawnAlignment = alignment();
        m_stale = false;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_drawing);
}

bool ChangesTextDrawing(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange:
        return true;
    default:
        return false;
    }
}

void CachedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (ChangesTextDrawing(event) || event->type() == QEvent::ContentsRectChange)
        m_stale = true;
}

void CachedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    m_stale = true;
}
