#include "mascot/mascot_window.h"

#include "base/text_value.h"
#include "forms/program.h"

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

QSize primaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(kPictureSide, kPictureSide);
}
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
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool)
    , screenSize(primaryScreenSize)
    , m_program(program)
    , m_frames(std::move(frames))
    , m_scanLimit(scanLimit)
    , m_background(m_frames[0])
{
    setAttribute(Qt::WA_OpaquePaintEvent);
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

void MascotWindow::placeOnScreen(qint64 x, qint64 y)
{
    // The window's and the screen's sizes in twips; the comparisons are on
    // 32-bit floats. The left and top rules run first, so on a screen
    // narrower than the window its right edge wins and Left goes negative.
    const float width = float(m_frames[0].width()) * PixelTwipsX;
    const float height = float(m_frames[0].height()) * PixelTwipsY;
    const QSize screen = screenSize();
    const float screenWidth = float(screen.width()) * PixelTwipsX;
    const float screenHeight = float(screen.height()) * PixelTwipsY;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    if (float(x) + width > screenWidth)
        x = RoundHalfEven(screenWidth - width);
    if (float(y) + height > screenHeight)
        y = RoundHalfEven(screenHeight - height);
    setPosition(double(x), double(y));
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
