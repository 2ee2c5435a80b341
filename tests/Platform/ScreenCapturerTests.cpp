// gtest comes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <turbojpeg.h>

#include "Platform/AreaAverageScaler.h"
#include "Platform/ScreenCapturer.h"
#include "Platform/TurboJpegEncoder.h"
#include "Support/DesktopSessionTest.h"
#include "Support/TemporaryFolder.h"
#include "Support/X11TestWindow.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

using testing::X11TestWindow;

constexpr unsigned long grey = 0x808080;

// The encoder a capture is given, each call noted, its answers made larger when a test says.
class NotingEncoder final : public JpegEncoding {
public:
    struct Call {
        int quality;
        std::size_t bytes;
    };

    std::optional<std::string> encode(const BgrxImage& image, int quality) override {
        auto jpeg = real_.encode(image, quality);
        if (jpeg && oversized.contains(quality)) jpeg->resize(CapturedPicture::screenMaxBytes + 1);
        calls.push_back({quality, jpeg ? jpeg->size() : 0});
        return jpeg;
    }

    std::set<int> oversized;
    std::vector<Call> calls;

private:
    TurboJpegEncoder real_;
};

BgrxImage decoded(const std::string& jpeg) {
    const std::unique_ptr<void, decltype(&tjDestroy)> handle(tjInitDecompress(), tjDestroy);
    auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.data());
    int width = 0, height = 0, subsampling = 0, colours = 0;
    if (tjDecompressHeader3(handle.get(), bytes, jpeg.size(), &width, &height, &subsampling, &colours) != 0) return {};
    BgrxImage image(width, height);
    if (tjDecompress2(handle.get(), bytes, jpeg.size(), image.pixels.data(), width, 0, height, TJPF_BGRX, 0) != 0) {
        return {};
    }
    return image;
}

// Whether the picture's pixel is near the colour 0xRRGGBB, as far as JPEG keeps colours.
::testing::AssertionResult near(const BgrxImage& image, int x, int y, unsigned long rgb) {
    const std::uint8_t* pixel = image.at(x, y);
    const int wanted[3] = {static_cast<int>(rgb & 0xff), static_cast<int>((rgb >> 8) & 0xff),
                           static_cast<int>((rgb >> 16) & 0xff)};
    for (int c = 0; c < 3; ++c) {
        if (std::abs(pixel[c] - wanted[c]) > 24) {
            return ::testing::AssertionFailure() << "at " << x << "," << y << " BGR " << int(pixel[0]) << " "
                                                 << int(pixel[1]) << " " << int(pixel[2]);
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(ScreenCapturerRules, SizesFitTheLongSideAndNeverGrow) {
    using Size = ScreenCapturer::Size;
    EXPECT_EQ(ScreenCapturer::size(2560, 1440, 1280), (Size{1280, 720}));
    EXPECT_EQ(ScreenCapturer::size(1512, 982, 1280), (Size{1280, 831}));
    EXPECT_EQ(ScreenCapturer::size(1000, 500, 1280), (Size{1000, 500}));
    EXPECT_EQ(ScreenCapturer::size(0, 0, 1280), (Size{1, 1}));
    EXPECT_EQ(ScreenCapturer::size(1280, 831, 320), (Size{320, 208}));
    EXPECT_EQ(ScreenCapturer::size(5000, 1, 320), (Size{320, 1}));
}

// An encoder whose answers a test scripts by quality.
class ScriptedEncoder final : public JpegEncoding {
public:
    std::optional<std::string> encode(const BgrxImage&, int quality) override {
        qualities.push_back(quality);
        const auto answer = answers.find(quality);
        if (answer == answers.end() || !answer->second) return std::nullopt;
        return std::string(*answer->second, 'j');
    }

    std::map<int, std::optional<std::size_t>> answers;
    std::vector<int> qualities;
};

TEST(ScreenCapturerRules, TheScreenImageIsEncodedAgainOnlyOverTheBudgetAndLeftOutWhenStillOver) {
    constexpr std::size_t budget = CapturedPicture::screenMaxBytes;
    const struct {
        std::string name;
        std::optional<std::size_t> first;
        std::optional<std::size_t> second;
        std::optional<std::size_t> kept;
        std::vector<int> qualities;
    } cases[] = {
        {"exactly the budget stays", budget, 10, budget, {70}},
        {"one byte over is encoded again", budget + 1, budget - 1, budget - 1, {70, 45}},
        {"still over is left out", budget + 1, budget + 1, std::nullopt, {70, 45}},
        {"a failed second leaves none", budget + 1, std::nullopt, std::nullopt, {70, 45}},
        {"a failed first is not tried again", std::nullopt, 10, std::nullopt, {70}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedEncoder encoder;
        encoder.answers = {{70, c.first}, {45, c.second}};
        const auto jpeg = ScreenCapturer::screenImage(BgrxImage(2, 2), encoder);
        EXPECT_EQ(jpeg ? std::optional<std::size_t>(jpeg->size()) : std::nullopt, c.kept);
        EXPECT_EQ(encoder.qualities, c.qualities);
    }
}

TEST(AreaAverageScaler, EachPixelIsTheAverageOfWhatItCoversByHowMuch) {
    BgrxImage source(3, 1);
    const std::uint8_t values[3] = {0, 90, 180};
    for (int x = 0; x < 3; ++x) std::fill_n(source.at(x, 0), 4, values[x]);
    const BgrxImage two = AreaAverageScaler::scaled(source, 2, 1);
    EXPECT_EQ(two.pixels, (std::vector<std::uint8_t>{30, 30, 30, 30, 150, 150, 150, 150}));

    BgrxImage flat(1917, 1079);
    for (std::size_t i = 0; i < flat.pixels.size(); ++i) flat.pixels[i] = static_cast<std::uint8_t>(i % 4 * 60 + 17);
    const BgrxImage smaller = AreaAverageScaler::scaled(flat, 1280, 720);
    ASSERT_EQ(smaller.pixels.size(), 1280u * 720u * 4u);
    for (std::size_t i = 0; i < smaller.pixels.size(); ++i) ASSERT_EQ(smaller.pixels[i], i % 4 * 60 + 17) << i;
}

class ScreenCapturerTest : public testing::DesktopSessionTest {
protected:
    testing::DesktopSession::Options desktopOptions() const override { return {.width = 1280, .height = 720}; }

    void SetUp() override {
        DesktopSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        std::filesystem::create_directories(data_ / "applications");
        AtomicFile::write(data_ / "applications" / "secret.desktop",
                          "[Desktop Entry]\nType=Application\nName=Secret Keeper\nStartupWMClass=Secret\nExec=true\n");
        X11Display& x = desktop().connection();
        XSetWindowBackground(x.get(), x.root(), grey);
        XClearWindow(x.get(), x.root());
        XSync(x.get(), False);
        capturer_ = std::make_unique<ScreenCapturer>(desktop().display(), DesktopApplications({data_.path()}), encoder_);
    }

    std::unique_ptr<X11TestWindow> window(const X11TestWindow::Options& options) {
        auto made = std::make_unique<X11TestWindow>(desktop().connection(), options);
        EXPECT_TRUE(made->waitUntilManaged());
        // Drawn by the server once mapped; a round trip later it is there.
        XSync(desktop().connection().get(), False);
        return made;
    }

    CapturedPicture capture(std::optional<RunningApp> only, std::set<std::string> excluded = {}) {
        return runUntilDone(loop_, capturer_->capture(std::move(only), std::move(excluded)));
    }

    std::string failure(std::optional<RunningApp> only) {
        try {
            capture(std::move(only));
        } catch (const OperatorPortFailure& failure) {
            return failure.description();
        }
        return "(no failure)";
    }

    RunLoop loop_;
    testing::TemporaryFolder data_;
    std::shared_ptr<NotingEncoder> encoder_ = std::make_shared<NotingEncoder>();
    std::unique_ptr<ScreenCapturer> capturer_;
};

TEST_F(ScreenCapturerTest, OnlyOneApplicationShowsTheVisiblePartsOfItsWindowsAndBlackElsewhere) {
    const auto painter = window({.pid = 801, .wmClass = "painter-bin", .title = "Canvas", .x = 100, .y = 100,
                                 .width = 300, .height = 200, .background = 0xff0000});
    const auto cover = window({.pid = 802, .wmClass = "Cover", .title = "Cover", .x = 300, .y = 150, .width = 200,
                               .height = 200, .background = 0x00ff00});
    const RunningApp only{"Painter", "org.example.Painter", 801, false, false, {}};

    const CapturedPicture picture = capture(only);
    EXPECT_EQ(picture.apps, std::vector<std::string>{"Painter"});
    ASSERT_TRUE(picture.screenJPEG);
    EXPECT_EQ(picture.screenWidth, 1280);
    EXPECT_EQ(picture.screenHeight, 720);
    const BgrxImage image = decoded(*picture.screenJPEG);
    ASSERT_EQ(image.width, 1280);
    EXPECT_TRUE(near(image, 150, 150, 0xff0000));
    // Under the other application's window, and off its windows: black.
    EXPECT_TRUE(near(image, 350, 250, 0x000000));
    EXPECT_TRUE(near(image, 450, 300, 0x000000));
    EXPECT_TRUE(near(image, 900, 500, 0x000000));

    EXPECT_EQ(failure(RunningApp{"Nothing Here", std::nullopt, 899, false, false, {}}),
              "Nothing Here has no window on screen.");
}

TEST_F(ScreenCapturerTest, AnExcludedApplicationsVisiblePartsAreBlackAndItsNameIsLeftOut) {
    const auto secret = window({.pid = 803, .wmClass = "Secret", .title = "Vault", .x = 100, .y = 100, .width = 300,
                                .height = 200, .background = 0x0000ff});
    const auto cover = window({.pid = 804, .wmClass = "Cover", .title = "Cover", .x = 300, .y = 150, .width = 200,
                               .height = 200, .background = 0xffff00});
    const auto second = window({.pid = 804, .wmClass = "Cover", .title = "Again", .x = 700, .y = 400, .width = 100,
                                .height = 100, .background = 0xffff00});
    const auto dock = window({.pid = 805, .wmClass = "Dock", .title = "Dock", .type = "_NET_WM_WINDOW_TYPE_DOCK",
                              .x = 900, .y = 600, .width = 100, .height = 50, .background = 0x00ffff});

    const CapturedPicture picture = capture(std::nullopt, {"secret", "elsewhere"});
    EXPECT_EQ(picture.apps, std::vector<std::string>{"Cover"});
    const BgrxImage image = decoded(*picture.screenJPEG);
    EXPECT_TRUE(near(image, 150, 150, 0x000000));
    EXPECT_TRUE(near(image, 350, 250, 0xffff00));
    EXPECT_TRUE(near(image, 750, 450, 0xffff00));
    EXPECT_TRUE(near(image, 950, 620, 0x00ffff));
    EXPECT_TRUE(near(image, 1100, 100, grey));

    EXPECT_EQ(capture(std::nullopt).apps, (std::vector<std::string>{"Cover", "Secret Keeper"}));
}

class ScreenCapturerWithoutWindowManagerTest : public ScreenCapturerTest {
protected:
    testing::DesktopSession::Options desktopOptions() const override {
        return {.width = 1280, .height = 720, .windowManager = false};
    }
};

TEST_F(ScreenCapturerWithoutWindowManagerTest, AnExcludedWindowNoWindowManagerListsIsBlackToo) {
    X11Display& x = desktop().connection();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0x0000ff;
    const Window bar = XCreateWindow(x.get(), x.root(), 400, 20, 360, 40, 0, CopyFromParent, InputOutput,
                                     CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    std::string instance = "operating-bar";
    std::string wmClass = "Secret";
    XClassHint hint{instance.data(), wmClass.data()};
    XSetClassHint(x.get(), bar, &hint);
    XMapRaised(x.get(), bar);
    XSync(x.get(), False);

    EXPECT_TRUE(near(decoded(*capture(std::nullopt).screenJPEG), 500, 40, 0x0000ff));
    EXPECT_TRUE(near(decoded(*capture(std::nullopt, {"secret"}).screenJPEG), 500, 40, 0x000000));
    XDestroyWindow(x.get(), bar);
}

TEST_F(ScreenCapturerTest, ThePointerIsDrawnWhereItIs) {
    X11Display& x = desktop().connection();
    XWarpPointer(x.get(), None, x.root(), 0, 0, 0, 0, 640, 360);
    XSync(x.get(), False);
    // Whatever pointer the desktop shows: its first opaque pixel far from the background.
    const std::unique_ptr<XFixesCursorImage, decltype(&XFree)> pointer(XFixesGetCursorImage(x.get()), XFree);
    ASSERT_TRUE(pointer);
    std::optional<std::pair<int, int>> spot;
    unsigned long colour = 0;
    for (int i = 0; !spot && i < pointer->width * pointer->height; ++i) {
        const unsigned long argb = pointer->pixels[i];
        const auto channelOf = [&](int shift) { return static_cast<int>((argb >> shift) & 0xff); };
        if (channelOf(24) == 0xff && std::abs(channelOf(16) - 0x80) > 100) {
            spot = std::pair{pointer->x - pointer->xhot + i % pointer->width, pointer->y - pointer->yhot + i / pointer->width};
            colour = argb & 0xffffff;
        }
    }
    ASSERT_TRUE(spot) << "the pointer has no pixel that stands out";

    const BgrxImage image = decoded(*capture(std::nullopt).screenJPEG);
    EXPECT_TRUE(near(image, spot->first, spot->second, colour));
    EXPECT_TRUE(near(image, pointer->x - pointer->xhot - 10, pointer->y - pointer->yhot - 10, grey));
}

TEST_F(ScreenCapturerTest, AScreenImageOverTheBudgetIsLeftOutAndTheThumbnailKept) {
    encoder_->oversized = {ScreenCapturer::screenQuality, ScreenCapturer::screenSecondQuality};
    const CapturedPicture picture = capture(std::nullopt);
    EXPECT_EQ(picture.screenJPEG, std::nullopt);
    EXPECT_EQ(picture.screenWidth, std::nullopt);
    EXPECT_EQ(picture.screenHeight, std::nullopt);
    EXPECT_EQ(picture.width, 320);
    EXPECT_EQ(picture.height, 180);
    const BgrxImage thumbnail = decoded(picture.thumbnailJPEG);
    EXPECT_EQ(thumbnail.width, 320);
    EXPECT_TRUE(near(thumbnail, 100, 100, grey));
}

class ScreenCapturerNoiseTest : public ScreenCapturerTest {
protected:
    testing::DesktopSession::Options desktopOptions() const override { return {.width = 1280, .height = 1024}; }
};

TEST_F(ScreenCapturerNoiseTest, AScreenOfNoiseIsEncodedAgainUnderTheBudget) {
    X11Display& x = desktop().connection();
    XImage* noise = XGetImage(x.get(), x.root(), 0, 0, 1280, 1024, AllPlanes, ZPixmap);
    ASSERT_NE(noise, nullptr);
    std::mt19937 random(56);
    for (int y = 0; y < 1024; ++y) {
        for (int px = 0; px < 1280; ++px) XPutPixel(noise, px, y, random() & 0xffffff);
    }
    const GC gc = XCreateGC(x.get(), x.root(), 0, nullptr);
    XPutImage(x.get(), x.root(), gc, noise, 0, 0, 0, 0, 1280, 1024);
    XSync(x.get(), False);
    XFreeGC(x.get(), gc);
    XDestroyImage(noise);

    const CapturedPicture picture = capture(std::nullopt);
    ASSERT_EQ(encoder_->calls.size(), 3u);
    EXPECT_EQ(encoder_->calls[0].quality, ScreenCapturer::thumbnailQuality);
    EXPECT_EQ(encoder_->calls[1].quality, ScreenCapturer::screenQuality);
    EXPECT_GT(encoder_->calls[1].bytes, CapturedPicture::screenMaxBytes);
    EXPECT_EQ(encoder_->calls[2].quality, ScreenCapturer::screenSecondQuality);
    ASSERT_TRUE(picture.screenJPEG);
    EXPECT_LE(picture.screenJPEG->size(), CapturedPicture::screenMaxBytes);
    EXPECT_EQ(picture.screenJPEG->size(), encoder_->calls[2].bytes);
    const BgrxImage image = decoded(*picture.screenJPEG);
    EXPECT_EQ(image.width, 1280);
    EXPECT_EQ(image.height, 1024);
    EXPECT_EQ(picture.screenWidth, 1280);
    EXPECT_EQ(picture.screenHeight, 1024);
    EXPECT_EQ(picture.width, 320);
    EXPECT_EQ(picture.height, 256);
}

TEST_F(ScreenCapturerTest, WithoutAScreenTheCaptureSaysNoScreenIsConnected) {
    desktop().stopXServer();
    EXPECT_EQ(failure(std::nullopt), "No screen is connected to this Mac.");
    capturer_ = std::make_unique<ScreenCapturer>("", DesktopApplications({}), encoder_);
    EXPECT_EQ(failure(std::nullopt), "No screen is connected to this Mac.");
}

} // namespace
} // namespace tarvo
