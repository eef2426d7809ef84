// Times the program's start-up from outside, on the X server named by
// DISPLAY: puts the pointer at a known place, starts the program there and
// watches that place on the screen until the mascot is (a) mapped and painted
// as its plain square with pose A, then (b) cut to the outline of pose B, the
// first frame its first tick applies. Prints, in milliseconds from just
// before the program is started:
//
//   window <first window mapped> mapped <mascot mapped> painted <a>
//   shape <shape change seen> shaped <b>
//
// Waiting is done on X events (a window mapped, the mascot's shape changed);
// the screen is read only after such an event, every millisecond until it
// shows what is expected, so the probe takes little from the program while
// the program starts.
//
//   startup_probe PROGRAM WORKING_DIR POSE_A.png POSE_B.png [X Y]

#include <QImage>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kSide = 100;
constexpr unsigned long kKey = 0xC0C0C0;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct WatchedSquare
{
    Display* display = nullptr;
    Window root = 0;
    int x = 0, y = 0; // the watched square's top-left corner

    // The watched 100 x 100 square as 0xRRGGBB values, row by row.
    bool read(std::vector<unsigned long>* pixels) const
    {
        XImage* image = XGetImage(display, root, x, y, kSide, kSide, AllPlanes, ZPixmap);
        if (!image)
            return false;
        pixels->resize(kSide * kSide);
        for (int py = 0; py < kSide; ++py)
            for (int px = 0; px < kSide; ++px)
                (*pixels)[size_t(py * kSide + px)] = XGetPixel(image, px, py) & 0xFFFFFF;
        XDestroyImage(image);
        return true;
    }
};

std::vector<unsigned long> picture(const char* path)
{
    const QImage image = QImage(QString::fromLocal8Bit(path)).convertToFormat(QImage::Format_RGB32);
    std::vector<unsigned long> pixels;
    if (image.size() != QSize(kSide, kSide))
        return pixels;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            pixels.push_back(image.pixel(x, y) & 0xFFFFFF);
    return pixels;
}

// Reads the square every millisecond until it equals `expected`; false when
// `deadline` passes first.
bool waitForPixels(const WatchedSquare& screen, const std::vector<unsigned long>& expected,
                   Clock::time_point deadline)
{
    std::vector<unsigned long> now;
    while (Clock::now() < deadline) {
        if (screen.read(&now) && now == expected)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The next X event, or false when none comes before `deadline`.
bool nextEvent(Display* display, XEvent* event, Clock::time_point deadline)
{
    while (!XPending(display)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, int(left));
    }
    XNextEvent(display, event);
    return true;
}

pid_t startProgram(const char* program, const char* workingDir)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(workingDir) != 0)
            _exit(127);
        // Its messages would mix with the figures.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execl(program, program, "-platform", "xcb", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr, "usage: %s PROGRAM WORKING_DIR POSE_A.png POSE_B.png [X Y]\n", argv[0]);
        return 2;
    }
    const std::vector<unsigned long> poseA = picture(argv[3]), poseB = picture(argv[4]);
    if (poseA.empty() || poseB.empty()) {
        std::fprintf(stderr, "cannot read the pose pictures\n");
        return 2;
    }
    WatchedSquare screen;
    screen.display = XOpenDisplay(nullptr);
    int shapeEvents = 0, shapeErrors = 0;
    if (!screen.display || !XShapeQueryExtension(screen.display, &shapeEvents, &shapeErrors)) {
        std::fprintf(stderr, "no X server with the SHAPE extension\n");
        return 2;
    }
    screen.root = DefaultRootWindow(screen.display);
    screen.x = argc == 7 ? std::atoi(argv[5]) : 60;
    screen.y = argc == 7 ? std::atoi(argv[6]) : 500;

    // What the desktop shows there, and what the two looks will be: the
    // plain square, and pose B with the desktop around its outline.
    XWarpPointer(screen.display, None, screen.root, 0, 0, 0, 0, screen.x, screen.y);
    XSync(screen.display, False);
    std::vector<unsigned long> shapedB;
    if (!screen.read(&shapedB))
        return 2;
    for (size_t i = 0; i < shapedB.size(); ++i)
        if (poseB[i] != kKey)
            shapedB[i] = poseB[i];
    XSelectInput(screen.display, screen.root, SubstructureNotifyMask);
    XSync(screen.display, False);

    const Clock::time_point start = Clock::now();
    const pid_t pid = startProgram(argv[1], argv[2]);
    if (pid < 0)
        return 2;
    const Clock::time_point deadline = start + std::chrono::seconds(10);
    double window = -1, mapped = -1, painted = -1, shapeSeen = -1, shaped = -1;

    XEvent event;
    Window mascot = 0;
    while (!mascot && nextEvent(screen.display, &event, deadline)) {
        if (event.type != MapNotify)
            continue;
        const double at = millisecondsSince(start);
        if (window < 0)
            window = at;
        XWindowAttributes attributes;
        if (XGetWindowAttributes(screen.display, event.xmap.window, &attributes) &&
            attributes.width == kSide && attributes.height == kSide && attributes.x == screen.x &&
            attributes.y == screen.y) {
            mascot = event.xmap.window;
            mapped = at;
        }
    }
    if (mascot) {
        XShapeSelectInput(screen.display, mascot, ShapeNotifyMask);
        XSync(screen.display, False);
        if (waitForPixels(screen, poseA, deadline))
            painted = millisecondsSince(start);
        while (shapeSeen < 0 && nextEvent(screen.display, &event, deadline))
            if (event.type == shapeEvents + ShapeNotify &&
                reinterpret_cast<const XShapeEvent&>(event).kind == ShapeBounding)
                shapeSeen = millisecondsSince(start);
        if (waitForPixels(screen, shapedB, deadline))
            shaped = millisecondsSince(start);
    }

    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(screen.display);
    std::printf("window %.1f mapped %.1f painted %.1f shape %.1f shaped %.1f\n", window, mapped, painted,
                shapeSeen, shaped);
    return shaped >= 0 && painted >= 0 ? 0 : 1;
}
