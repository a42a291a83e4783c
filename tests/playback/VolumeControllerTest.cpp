#include "VolumeController.h"
#include "PrivateSoundServer.h"
#include "Prompts.h"
#include "SilentPorts.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace sarvel {
namespace {

using test::PrivateSoundServer;
using test::PulseServerVariable;

class RecordingPrompts : public Prompts {
public:
    void error(const QString& message) override { errors.push_back(message); }
    void message(const QString& title, const QString& text) override { messages.emplace_back(title, text); }
    QString openFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }

    std::vector<QString> errors;
    std::vector<std::pair<QString, QString>> messages;
};

std::vector<uint32_t> stereo(uint32_t raw) {
    return {raw, raw};
}

// The slider and label as the main window designs them: 0..100 at 50, "50%".
class VolumeControllerTest : public ::testing::Test {
protected:
    VolumeControllerTest() {
        ScrollBarVolume.setRange(0, 100);
        ScrollBarVolume.setValue(50);
        LabelVolume.setText("50%");
    }

    PulseServerVariable guard{QStringLiteral("unix:/nonexistent/sarvel-no-server")};
    QScrollBar ScrollBarVolume{Qt::Horizontal};
    QLabel LabelVolume;
    RecordingPrompts prompts;
};

class VolumeWithServer : public VolumeControllerTest {
protected:
    void SetUp() override {
        server = std::make_unique<PrivateSoundServer>();
        server->point();
    }
    std::unique_ptr<PrivateSoundServer> server;
};

TEST_F(VolumeWithServer, StartUpAtFullVolumeMovesTheSliderTo100) {
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    EXPECT_TRUE(volume.startUp());
    EXPECT_TRUE(volume.mixerFound());
    EXPECT_EQ(ScrollBarVolume.value(), 100);
    EXPECT_EQ(LabelVolume.text(), "100%");
    volume.shutDown();
    EXPECT_EQ(server->sinkVolumes(), stereo(65536));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(VolumeWithServer, StartUpAt37PercentLeavesTheSinkAsItWas) {
    server->setSinkVolume(24248);
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ASSERT_TRUE(volume.startUp());
    EXPECT_EQ(ScrollBarVolume.value(), 37);
    EXPECT_EQ(LabelVolume.text(), "37%");
    volume.shutDown();
    EXPECT_EQ(server->sinkVolumes(), stereo(24248));
}

TEST_F(VolumeWithServer, StartUpAtTheSlidersOwnPositionWritesNothingBack) {
    server->setSinkVolume(32900); // reads as 50, where the slider already stands
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ASSERT_TRUE(volume.startUp());
    EXPECT_EQ(ScrollBarVolume.value(), 50);
    volume.shutDown(); // whatever was sent has arrived by now
    EXPECT_EQ(server->sinkVolumes(), stereo(32900));
}

TEST_F(VolumeWithServer, TheSliderSetsTheSpeakersAndTheLabel) {
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ASSERT_TRUE(volume.startUp());
    const std::vector<std::pair<int, uint32_t>> steps{{0, 0}, {1, 655}, {100, 65536}, {37, 24248}};
    for (const auto& [position, raw] : steps) {
        ScrollBarVolume.setValue(position);
        EXPECT_EQ(LabelVolume.text(), QString::number(position) + "%");
        EXPECT_TRUE(server->waitForSinkVolume(raw)) << position;
    }
    ScrollBarVolume.setValue(150); // the slider clamps
    EXPECT_EQ(LabelVolume.text(), "100%");
    EXPECT_TRUE(server->waitForSinkVolume(65536));
}

TEST_F(VolumeWithServer, ADirectCallWritesTheUnchangedPositionAgain) {
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ASSERT_TRUE(volume.startUp());
    ScrollBarVolume.setValue(1);
    ASSERT_TRUE(server->waitForSinkVolume(655));
    server->setSinkVolume(40000);
    ScrollBarVolume.setValue(1); // no change, no handler
    volume.ScrollBarVolumeChange();
    EXPECT_TRUE(server->waitForSinkVolume(655));
}

TEST_F(VolumeWithServer, QuickChangesEndAtTheLastPosition) {
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ASSERT_TRUE(volume.startUp());
    for (int i = 0; i < 100; ++i)
        ScrollBarVolume.setValue((i * 53) % 101);
    ScrollBarVolume.setValue(42);
    volume.shutDown();
    EXPECT_EQ(server->sinkVolumes(), stereo(27525));
}

TEST_F(VolumeWithServer, ShutDownLeavesTheExitLevelAndStopsSetting) {
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ASSERT_TRUE(volume.startUp());
    ScrollBarVolume.setValue(1); // the exit's fade, just before the shutdown step
    volume.shutDown();
    EXPECT_EQ(server->sinkVolumes(), stereo(655));
    ScrollBarVolume.setValue(70);
    EXPECT_EQ(LabelVolume.text(), "1%");
    EXPECT_EQ(server->sinkVolumes(), stereo(655));
}

TEST_F(VolumeWithServer, ServerLostMidRunIsQuiet) {
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ASSERT_TRUE(volume.startUp());
    server->kill();
    QElapsedTimer clock;
    clock.start();
    for (int position : {10, 20, 30})
        ScrollBarVolume.setValue(position);
    volume.shutDown();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(ScrollBarVolume.value(), 30);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.errors.empty());
}

TEST_F(VolumeControllerTest, HandlerDoesNothingBeforeStartUp) {
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    ScrollBarVolume.setValue(80);
    volume.ScrollBarVolumeChange();
    EXPECT_FALSE(volume.mixerFound());
    EXPECT_EQ(LabelVolume.text(), "50%");
}

TEST_F(VolumeControllerTest, DestroyedControllerNoLongerListens) {
    { VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts); }
    ScrollBarVolume.setValue(10); // would reach a destroyed controller if still connected
    EXPECT_EQ(LabelVolume.text(), "50%");
}

// No server at all: the message once, start-up completes in time, the slider moves freely and
// the label keeps its design text.
class VolumeNoServer : public VolumeControllerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(VolumeNoServer, SaysMixerNotFoundAndWorksOn) {
    test::SilentPorts ports;
    const QString kind = GetParam();
    PulseServerVariable aim(kind == "socket"    ? QStringLiteral("unix:/nonexistent/sarvel-no-server")
                            : kind == "refused" ? ports.refusedAddress()
                                                : ports.silentAddress());
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(volume.startUp());
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(volume.mixerFound());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].first, "");
    EXPECT_EQ(prompts.messages[0].second, "MIXER не найден !");

    for (int position : {80, 0, 100, 1}) {
        ScrollBarVolume.setValue(position);
        EXPECT_EQ(ScrollBarVolume.value(), position);
    }
    volume.ScrollBarVolumeChange();
    volume.shutDown();
    EXPECT_EQ(LabelVolume.text(), "50%");
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Addresses, VolumeNoServer, ::testing::Values("socket", "refused", "silent"));

TEST_F(VolumeControllerTest, AServerWithoutSinksMeansNoMixer) {
    PrivateSoundServer server(QStringList{});
    server.point();
    VolumeController volume(&ScrollBarVolume, &LabelVolume, prompts);
    EXPECT_FALSE(volume.startUp());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].second, "MIXER не найден !");
    ScrollBarVolume.setValue(20);
    EXPECT_EQ(LabelVolume.text(), "50%");
}

} // namespace
} // namespace sarvel
