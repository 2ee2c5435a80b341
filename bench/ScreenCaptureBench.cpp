// Times the operator's whole screen capture of a 1920x1080 Xvfb screen (grab, pointer, scale,
// thumbnail, both JPEGs) beside a bare XShmGetImage and XGetImage of the same screen in the same
// run, and each step of the capture alone. The screen shows a desktop-like picture: bands of
// colour, windows and lines of text.
//
//   build/bench/screen_capture_bench [--rounds N]

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fmt/format.h>

#include "BenchFlags.h"
#include "Platform/AreaAverageScaler.h"
#include "Platform/ScreenCapturer.h"
#include "Platform/TurboJpegEncoder.h"
#include "Platform/X11ScreenGrabber.h"
#include "Support/DesktopSession.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Work>
double medianOf(int rounds, Work work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::ranges::sort(times);
    return times[times.size() / 2];
}

// Bands of colour, a few windows' worth of panels, and lines of text, as a desktop shows.
void paintADesktop(tarvo::X11Display& x) {
    Display* d = x.get();
    const GC gc = XCreateGC(d, x.root(), 0, nullptr);
    for (int y = 0; y < 1080; y += 4) {
        XSetForeground(d, gc, static_cast<unsigned long>((y / 4) * 0x010203 & 0x3f5f7f));
        XFillRectangle(d, x.root(), gc, 0, y, 1920, 4);
    }
    const int panels[][4] = {{80, 60, 900, 640}, {700, 200, 1000, 760}, {1300, 90, 560, 400}};
    for (const auto& panel : panels) {
        XSetForeground(d, gc, 0xf4f4f4);
        XFillRectangle(d, x.root(), gc, panel[0], panel[1], static_cast<unsigned>(panel[2]), static_cast<unsigned>(panel[3]));
        XSetForeground(d, gc, 0x2a6fdb);
        XFillRectangle(d, x.root(), gc, panel[0], panel[1], static_cast<unsigned>(panel[2]), 28);
        for (int line = 0; line * 18 + 50 < panel[3]; ++line) {
            XSetForeground(d, gc, line % 5 == 0 ? 0xc0392b : 0x222222);
            const std::string text = fmt::format("{:03} The quick brown fox jumps over the lazy dog; operator line", line);
            XDrawString(d, x.root(), gc, panel[0] + 12, panel[1] + 50 + line * 18, text.data(), static_cast<int>(text.size()));
        }
    }
    XSync(d, False);
    XFreeGC(d, gc);
}

} // namespace

int main(int argc, char** argv) {
    const tarvo::bench::BenchFlags flags(argc, argv, "screen_capture_bench [--rounds R]", {{"--rounds", "50"}});
    const int rounds = flags.count("--rounds", 1);
    std::string why;
    const auto desktop = tarvo::testing::DesktopSession::start({.width = 1920, .height = 1080}, why);
    if (!desktop) {
        std::cerr << "no desktop: " << why << "\n";
        return 1;
    }
    paintADesktop(desktop->connection());
    const tarvo::EwmhWorkspace::Area screen{0, 0, 1920, 1080};

    const auto grabber = tarvo::X11ScreenGrabber::open(desktop->display());
    std::optional<tarvo::BgrxImage> grabbed;
    const double shm = medianOf(rounds, [&] { grabbed = grabber->grab(screen); });
    const bool shared = grabber->sharedMemory();
    const double plain = medianOf(rounds, [&] { grabber->grabWithoutSharedMemory(screen); });
    tarvo::BgrxImage image;
    const double scale = medianOf(rounds, [&] { image = tarvo::AreaAverageScaler::scaled(*grabbed, 1280, 720); });
    const double thumbnail = medianOf(rounds, [&] { tarvo::AreaAverageScaler::scaled(image, 320, 180); });
    tarvo::TurboJpegEncoder encoder;
    std::size_t screenBytes = 0;
    const double jpeg = medianOf(rounds, [&] { screenBytes = encoder.encode(image, 70)->size(); });

    tarvo::RunLoop loop;
    tarvo::ScreenCapturer capturer(desktop->display(), tarvo::DesktopApplications({}),
                                   std::make_shared<tarvo::TurboJpegEncoder>());
    tarvo::CapturedPicture picture;
    const double whole = medianOf(rounds, [&] { picture = tarvo::runUntilDone(loop, capturer.capture(std::nullopt, {})); });

    std::cout << fmt::format("screen 1920x1080, median of {} ({})\n\n", rounds,
                             shared ? "shared memory" : "no shared memory: both grabs are plain");
    std::cout << "| step | ms | x bare XShmGetImage |\n|---|---|---|\n";
    const auto row = [&](const std::string& step, double ms) {
        std::cout << fmt::format("| {} | {:.2f} | {:.1f} |\n", step, ms, ms / shm);
    };
    row("bare XShmGetImage of the root", shm);
    row("bare XGetImage of the root", plain);
    row("area-average scale to 1280x720", scale);
    row("thumbnail 320x180 from it", thumbnail);
    row(fmt::format("JPEG 4:4:4 at 70 of the 1280 image ({} bytes)", screenBytes), jpeg);
    row(fmt::format("whole capture (screen {} bytes, thumbnail {} bytes)", picture.screenJPEG ? picture.screenJPEG->size() : 0,
                    picture.thumbnailJPEG.size()),
        whole);
    std::cout << "\ngoal: whole capture under 20 ms and within 10x the bare XShm grab\n";
    return 0;
}
