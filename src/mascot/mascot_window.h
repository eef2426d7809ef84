#pragma once

#include "forms/form.h"
#include "mascot/frame_regions.h"

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>

class Program;

// What both mascot windows share: a frameless, always-on-top square that
// shows one of eight frame pictures cut to that frame's region, keeps its
// position in twips, stays on the monitors, is dragged with the left button
// and ends the program on a right-button press. It takes no keyboard focus
// and has no task bar entry.
class MascotWindow : public QWidget, public Form
{
    Q_OBJECT
public:
    ~MascotWindow() override;

    // Position of the top-left corner in twips: as the program last set it,
    // or where the user dragged the window.
    double Left() const { return m_left; }
    double Top() const { return m_top; }
    void setPosition(double left, double top);

    // The screen's twips per pixel, taken at load.
    float PixelTwipsX = 0;
    float PixelTwipsY = 0;
    // The frames' region records, built at load.
    std::array<FrameRgnData, 8> FrameRgns;

    /// The frame picture Picture1(index), 0 to 7.
    const QImage& framePicture(int index) const { return m_frames.at(size_t(index)); }
    /// The picture the window shows as its background.
    const QImage& backgroundPicture() const { return m_background; }
    /// The frame applied last; -1 until the first tick.
    int shownFrame() const { return m_shownFrame; }

    /// The monitors' areas in pixels, read at every tick (tests replace it).
    std::function<QList<QRect>()> monitors;
    /// The next random number in [0, 1). Load starts the generator from the clock;
    /// tests replace it.
    std::function<double()> Rnd;

    /// A mouse press on the window or on one of its pictures.
    void Form_MouseDown(QMouseEvent* event);

protected:
    MascotWindow(Program& program, std::array<QImage, 8> frames, int scanLimit);

    // The load steps both windows share, in order: regions, size, topmost,
    // twips per pixel, random generator started from the clock, top-left
    // corner at the mouse pointer.
    void loadAtPointer();
    // Moves the window to (x, y) twips, pulled first wholly onto the monitor
    // that holds most of it there.
    void placeOnMonitor(qint64 x, qint64 y);
    // The same, but a place that lies wholly on the monitors, though on more
    // than one, is kept as it is.
    void placeOnMonitors(qint64 x, qint64 y);
    // Shapes the window to frame `index` and shows that frame's picture.
    void applyFrame(int index);
    void setBackgroundPicture(const QImage& picture);
    int toPixelsX(double twips) const;
    int toPixelsY(double twips) const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

    Program& m_program;

private:
    void MakeFrameRegions();
    // The window's rectangle in pixels with its top-left corner at (x, y) twips.
    QRect pixelRect(qint64 x, qint64 y) const;

    std::array<QImage, 8> m_frames;
    int m_scanLimit;
    QImage m_background;
    double m_left = 0;
    double m_top = 0;
    int m_shownFrame = -1;
    bool m_pressed = false;  // left button held since a press on the window
    QPoint m_pressedAt;      // where it went down, in screen pixels
    bool m_dragging = false; // the pointer has travelled the drag distance
    QPoint m_dragOffset;     // pointer minus window position at the press
};

// The picture at `path`, or a plain 100 x 100 picture in the key colour when
// it cannot be read, so a missing picture leaves the window invisible
// instead of leaving it without a size or a region.
QImage LoadMascotPicture(const QString& path);
