// Prints what the mascot regions cost: the scan of eight frames at load (row
// runs into bands, against uniting single pixels one by one as a plain
// region union would), and the re-creation of one region from its record,
// which every animation tick pays.

#include "mascot/frame_regions.h"
#include "support/pixel_region.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {
template <class F>
double microseconds(int rounds, F&& work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        work();
    return double(timer.nsecsElapsed()) / 1000.0 / rounds;
}

void measure(const char* window, const std::array<const char*, 8>& files, int scanLimit)
{
    std::array<QImage, 8> frames;
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = QImage(QStringLiteral(PAWMELO_SOURCE_DIR "/assets/mascot/") + files[i] + ".png");
    std::array<FrameRgnData, 8> records;
    const double load = microseconds(20, [&] { records = MakeFrameRegions(frames, scanLimit); });
    const double naive = microseconds(2, [&] {
        for (const QImage& frame : frames)
            PixelByPixelRegion(frame, scanLimit);
    });
    int sink = 0;
    const double tick = microseconds(2000, [&] { sink += RegionFromRecord(records[3])->rectCount(); });
    std::printf(
        "%-9s load (8 frames): %8.0f us   pixel-by-pixel union: %9.0f us   per tick: %6.1f us  (%d)\n",
        window, load, naive, tick, sink > 0);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    measure("primary", {"pose_a", "pose_b", "pose_c", "pose_c", "pose_b", "pose_a", "pose_a", "pose_b"}, 120);
    measure("secondary",
            {"walker_left", "walker_left_tilt", "walker_right_tilt", "walker_right", "walker_left",
             "walker_left_tilt", "walker_right", "walker_right_tilt"},
            100);
    return 0;
}
