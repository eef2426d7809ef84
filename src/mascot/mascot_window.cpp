#include "mascot/mascot_window.h"

#include "base/text_value.h"
#include "forms/desktop_hints.h"
#include "forms/placement.h"
#include "forms/program.h"
#include "forms/window_placement.h"

#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QStyleHints>

namespace {
constexpr QRgb kKeyColour = 0xFFC0C0C0;
constexpr int kPictureSide = 100;
} // namespace

QImage LoadMascotPicture(const QString& path)
{
    QImage picture(path);
    if (picture.isNull()) {
        picture = QImage(kPictureSide, kPictureSide, QImage::Format_RGB32);
        picture.fill(kKeyColour);
    }
    return picture;
}

MascotWindow::MascotWindow(Program& program, std::array<QImage, 8> frames, int scanLimit)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                           Qt::WindowDoesNotAcceptFocus)
    , monitors(MonitorGeometries)
    , m_program(program)
    , m_frames(std::move(frames))
    , m_scanLimit(scanLimit)
    , m_background(m_frames[0])
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Coming up (at start, after the tray) it leaves the keyboard where it
    // is: with a dialog that asks for something.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Until the first tick the window is its plain rectangle with frame 0.
    resize(m_frames[0].size());
}

MascotWindow::~MascotWindow() = default;

void MascotWindow::MakeFrameRegions()
{
    FrameRgns = ::MakeFrameRegions(m_frames, m_scanLimit);
}

void MascotWindow::loadAtPointer()
{
    MakeFrameRegions();
    setFixedSize(m_frames[0].size());
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    PixelTwipsX = 1440.0f / float(logicalDpiX());
    PixelTwipsY = 1440.0f / float(logicalDpiY());

    QRandomGenerator generator{quint32(QDateTime::currentMSecsSinceEpoch())};
    Rnd = [generator]() mutable { return generator.generateDouble(); };

    m_program.CursorPos = QCursor::pos();
    setPosition(double(PixelTwipsX) * m_program.CursorPos.x(), double(PixelTwipsY) * m_program.CursorPos.y());
}

int MascotWindow::toPixelsX(double twips) const
{
    return int(RoundHalfEven(twips / double(PixelTwipsX)));
}

int MascotWindow::toPixelsY(double twips) const
{
    return int(RoundHalfEven(twips / double(PixelTwipsY)));
}

void MascotWindow::setPosition(double left, double top)
{
    m_left = left;
    m_top = top;
    move(toPixelsX(left), toPixelsY(top));
}

QRect MascotWindow::pixelRect(qint64 x, qint64 y) const
{
    return QRect(QPoint(toPixelsX(double(x)), toPixelsY(double(y))), m_frames[0].size());
}

void MascotWindow::placeOnMonitor(qint64 x, qint64 y)
{
    const QList<QRect> screens = monitors();
    const int holding = MonitorHolding(pixelRect(x, y), screens);
    if (holding < 0) {
        setPosition(double(x), double(y)); // no monitor to keep to
        return;
    }
    // The window's and the monitor's sizes in twips; the edge rules keep a
    // window larger than the monitor flush with its right and bottom edges.
    const QRect monitor = screens[holding];
    const QRectF area(double(monitor.x()) * PixelTwipsX, double(monitor.y()) * PixelTwipsY,
                      double(monitor.width()) * PixelTwipsX, double(monitor.height()) * PixelTwipsY);
    const TwipsPoint kept = KeepWithin({x, y}, float(m_frames[0].width()) * PixelTwipsX,
                                       float(m_frames[0].height()) * PixelTwipsY, area);
    setPosition(double(kept.x), double(kept.y));
}

void MascotWindow::placeOnMonitors(qint64 x, qint64 y)
{
    if (OnMonitors(pixelRect(x, y), monitors()))
        setPosition(double(x), double(y));
    else
        placeOnMonitor(x, y);
}

void MascotWindow::applyFrame(int index)
{
    // The frame rules never give another index; refuse one rather than read
    // past the records.
    if (index < 0 || index >= int(FrameRgns.size()))
        return;
    const std::optional<QRegion> region = RegionFromRecord(FrameRgns[size_t(index)]);
    setBackgroundPicture(m_frames[size_t(index)]);
    if (!region) {
        clearMask(); // a damaged record leaves the window unshaped this tick
    } else if (region->intersected(rect()).isEmpty()) {
        // Qt reads an empty mask as "no mask"; a pixel outside the window
        // keeps a frame without any opaque pixel invisible instead.
        setMask(QRegion(-1, -1, 1, 1));
    } else {
        setMask(*region);
    }
    m_shownFrame = index;
}

void MascotWindow::setBackgroundPicture(const QImage& picture)
{
    m_background = picture;
    update();
}

void MascotWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_background);
}

void MascotWindow::Form_MouseDown(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        // The window follows the pointer once it has travelled the drag
        // distance with the button held (mouseMoveEvent). Handing the press
        // to the window manager's own move at once would let it swallow the
        // second click of a double-click; handing it over later would leave
        // the window behind the pointer by that distance.
        m_pressedAt = event->globalPosition().toPoint();
        m_pressed = true;
        m_dragOffset = m_pressedAt - pos();
    } else if (event->button() == Qt::RightButton) {
        m_program.endProgram();
    }
}

void MascotWindow::mousePressEvent(QMouseEvent* event)
{
    Form_MouseDown(event);
}

void MascotWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (!m_dragging) {
        if ((global - m_pressedAt).manhattanLength() < QGuiApplication::styleHints()->startDragDistance())
            return;
        m_dragging = true;
    }
    const QPoint place = global - m_dragOffset;
    m_left = double(PixelTwipsX) * place.x();
    m_top = double(PixelTwipsY) * place.y();
    move(place);
}

void MascotWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = m_dragging = false;
}

void MascotWindow::showEvent(QShowEvent* event)
{
    // Before every mapping: the window manager drops the state on a hide.
    KeepOutOfTaskbar(this);
    QWidget::showEvent(event);
}

void MascotWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (PixelTwipsX <= 0 || PixelTwipsY <= 0)
        return; // not loaded yet: there is no position in twips to keep
    // Moved by the user or the window system: adopt the new place. A move the
    // program made itself keeps its exact twips.
    if (pos() != QPoint(toPixelsX(m_left), toPixelsY(m_top))) {
        m_left = double(PixelTwipsX) * pos().x();
        m_top = double(PixelTwipsY) * pos().y();
    }
}
