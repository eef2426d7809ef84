#include "panel/name_display.h"

#include "panel/cached_label.h"

#include <QEvent>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace {
// Whether `widget`, rendered alone onto a transparent picture, covers every
// pixel of its rectangle fully: then nothing beneath it ever shows.
bool FullyOpaque(QWidget* widget)
{
    const qreal ratio = widget->devicePixelRatioF();
    QImage image((QSizeF(widget->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return false;
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

// The bounds of the pixels a picture draws (alpha above 0), in logical pixels.
QRect InkBounds(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return {};
    const qreal ratio = image.devicePixelRatio();
    const int x0 = int(std::floor(left / ratio)), y0 = int(std::floor(top / ratio));
    return QRect(QPoint(x0, y0),
                 QPoint(int(std::ceil((right + 1) / ratio)) - 1, int(std::ceil((bottom + 1) / ratio)) - 1));
}
} // namespace

NameDisplay::NameDisplay(QWidget* parent)
    : QLabel(parent)
{
}

NameDisplay::~NameDisplay() = default;

void NameDisplay::spanParentWidth()
{
    m_captionSize = size();
    m_captionLeft = x();
    m_captionStale = true;
    const int width = parentWidget() ? parentWidget()->width() : this->width();
    setGeometry(0, y(), width, height());
    watchCovers();
}

void NameDisplay::setCaptionLeft(int left)
{
    if (left == m_captionLeft)
        return;
    // A handful of rectangles: the caption's bounds before and after, less
    // the controls that hide the strip. A finer region costs more to clip
    // with than the few pixels it would spare.
    const QRect before = captionInk();
    m_captionLeft = left;
    const QRect after = captionInk();
    // A step of a pixel or two: one rectangle holds both. The jump back to
    // the start: two, not the strip between them. Painted at once rather
    // than through an update request, which would cost the tick a second
    // pass of the event loop and a wake-up of its own.
    const QRegion hidden = covered();
    QRegion changed;
    if (before.adjusted(-1, 0, 1, 0).intersects(after)) {
        const QRect both = (before | after) & rect();
        if (!hidden.intersects(both)) {
            if (!both.isEmpty())
                repaint(both);
            return;
        }
        changed = QRegion(both);
    } else {
        changed = (QRegion(before) + after) & rect();
    }
    changed -= hidden;
    if (!changed.isEmpty())
        repaint(changed);
}

const QPixmap& NameDisplay::caption(qreal ratio)
{
    if (!m_captionStale && m_captionText == text() && m_caption.devicePixelRatio() == ratio)
        return m_caption;
    // Drawn as the label itself draws its text, into the caption's box.
    QImage picture((QSizeF(m_captionSize) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setFont(font());
        style()->drawItemText(&painter, QRect(QPoint(), m_captionSize),
                              int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                              isEnabled(), text(), foregroundRole());
    }
    m_captionInk = InkBounds(picture);
    m_caption = QPixmap::fromImage(picture);
    m_captionText = text();
    m_captionStale = false;
    return m_caption;
}

QRect NameDisplay::captionInk()
{
    // The ink is known once the caption is drawn. The screen's pixel ratio
    // is asked only when painting: a new ratio leaves the ink in place.
    caption(m_caption.isNull() ? devicePixelRatioF() : m_caption.devicePixelRatio());
    return m_captionInk.translated(m_captionLeft - x(), 0);
}

void NameDisplay::paintEvent(QPaintEvent*)
{
    const QPixmap& picture = caption(devicePixelRatioF());
    QPainter painter(this);
    painter.drawPixmap(m_captionLeft - x(), 0, picture);
}

void NameDisplay::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (ChangesTextDrawing(event))
        m_captionStale = true;
}

void NameDisplay::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    watchCovers();
}

void NameDisplay::watchCovers()
{
    for (const Cover& cover : std::as_const(m_covers))
        if (cover.widget)
            cover.widget->removeEventFilter(this);
    m_covers.clear();
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    // Widgets later in the parent's list stand above this one.
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(this) + 1; i > 0 && i < siblings.size(); ++i) {
        auto* sibling = qobject_cast<QWidget*>(siblings[i]);
        if (!sibling || sibling->isWindow() || !sibling->geometry().intersects(geometry()))
            continue;
        sibling->installEventFilter(this);
        m_covers.append({sibling, false, true});
    }
    m_coveredStale = true;
}

QRegion NameDisplay::covered()
{
    if (!m_coveredStale)
        return m_covered;
    m_covered = QRegion();
    for (Cover& cover : m_covers) {
        if (!cover.widget || cover.widget->isHidden())
            continue;
        if (cover.stale) {
            m_measuringCover = true; // its render is not a change of it
            cover.opaque = FullyOpaque(cover.widget);
            m_measuringCover = false;
            cover.stale = false;
        }
        if (cover.opaque)
            m_covered += QRect(cover.widget->pos() - pos(), cover.widget->size());
    }
    m_coveredStale = false;
    return m_covered;
}

bool NameDisplay::eventFilter(QObject* watched, QEvent* event)
{
    for (Cover& cover : m_covers) {
        if (cover.widget != watched || cover.stale)
            continue;
        switch (event->type()) {
        case QEvent::Paint:
            // A moving caption never repaints an opaque control, so a paint
            // of one comes from a change of it, which may have changed
            // whether it still hides the strip. Paints of the others are
            // mostly the caption's doing, and they cannot come to hide the
            // strip by a paint alone: a picture of theirs that did would
            // only cost them a redraw at each step.
            if (!m_measuringCover && cover.opaque)
                cover.stale = m_coveredStale = true;
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ZOrderChange:
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::FontChange:
        case QEvent::EnabledChange:
            cover.stale = m_coveredStale = true;
            break;
        default:
            break;
        }
    }
    return QLabel::eventFilter(watched, event);
}
