#include "Mixer.h"
#include "PrivateSoundServer.h"
#include "SilentPorts.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace sarvel {
namespace {

using test::PrivateSoundServer;
using test::PulseServerVariable;

std::vector<uint32_t> all(std::size_t channels, uint32_t raw) {
    return std::vector<uint32_t>(channels, raw);
}

TEST(MixerScale, LevelsRoundToTheNearestHundredthOfNormal) {
    EXPECT_EQ(Mixer::volumeFromLevel(0), 0u);
    EXPECT_EQ(Mixer::volumeFromLevel(1), 655u);
    EXPECT_EQ(Mixer::volumeFromLevel(37), 24248u);
    EXPECT_EQ(Mixer::volumeFromLevel(100), 65536u);
    EXPECT_EQ(Mixer::volumeFromLevel(-3), 0u);
    EXPECT_EQ(Mixer::volumeFromLevel(250), 65536u);

    EXPECT_EQ(Mixer::levelFromVolume(24248), 37); // 36.9999…, which truncation would make 36
    EXPECT_EQ(Mixer::levelFromVolume(327), 0);
    EXPECT_EQ(Mixer::levelFromVolume(328), 1);
    EXPECT_EQ(Mixer::levelFromVolume(65536), 100);
    EXPECT_EQ(Mixer::levelFromVolume(98304), 100);                  // 150 % clamps
    EXPECT_EQ(Mixer::levelFromVolume((24248.0 + 24904.0) / 2), 38); // channels averaged: 37 % and 38 %
}

TEST(MixerScale, EveryLevelReadsBackAsItself) {
    for (int p = 0; p <= 100; ++p)
        EXPECT_EQ(Mixer::levelFromVolume(Mixer::volumeFromLevel(p)), p) << p;
}

// libpulse is aimed at a dead socket before anything else, so no test can reach the user's server.
class MixerTest : public ::testing::Test {
protected:
    PulseServerVariable guard{QStringLiteral("unix:/nonexistent/sarvel-no-server")};
};

class MixerWithServer : public MixerTest {
protected:
    void SetUp() override {
        server = std::make_unique<PrivateSoundServer>();
        server->point();
    }
    std::unique_ptr<PrivateSoundServer> server;
};

TEST_F(MixerWithServer, ReadsTheDefaultSinkLevelAndLeavesItAlone) {
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    EXPECT_TRUE(mixer.isOpen());
    EXPECT_EQ(mixer.readLevel(), 100);

    server->setSinkVolume(24248);
    EXPECT_EQ(mixer.readLevel(), 37);
    server->setSinkVolume(0);
    EXPECT_EQ(mixer.readLevel(), 0);
    server->setSinkVolume(80000);
    EXPECT_EQ(mixer.readLevel(), 100);
    EXPECT_EQ(server->sinkVolumes(), all(2, 80000));
}

TEST_F(MixerWithServer, SetsEveryChannelOfTheSink) {
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    mixer.setLevel(0);
    EXPECT_TRUE(server->waitForSinkVolume(0));
    mixer.setLevel(1);
    EXPECT_TRUE(server->waitForSinkVolume(655));
    mixer.setLevel(100);
    EXPECT_TRUE(server->waitForSinkVolume(65536));
    mixer.setLevel(37);
    EXPECT_TRUE(server->waitForSinkVolume(24248));
    EXPECT_EQ(mixer.readLevel(), 37);

    server->pactl({"set-sink-volume", "testsink", "30000", "50000"}); // a balance of the user's
    EXPECT_EQ(mixer.readLevel(), 61);                                 // channels averaged
    mixer.setLevel(40);
    EXPECT_EQ(mixer.readLevel(), 40);
    EXPECT_EQ(server->sinkVolumes(), all(2, 26214));
}

TEST_F(MixerWithServer, SuccessiveSettingsArriveInOrder) {
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    for (int i = 0; i < 100; ++i)
        mixer.setLevel((i * 37) % 101);
    mixer.setLevel(42);
    // The read travels behind the settings on the same connection.
    EXPECT_EQ(mixer.readLevel(), 42);
    EXPECT_EQ(server->sinkVolumes(), all(2, 27525));
}

TEST_F(MixerWithServer, CloseLetsTheLastSettingReachTheSink) {
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    mixer.setLevel(80);
    mixer.setLevel(1);
    mixer.close();
    EXPECT_FALSE(mixer.isOpen());
    EXPECT_EQ(server->sinkVolumes(), all(2, 655));

    mixer.setLevel(50); // closed: nothing reaches the server
    EXPECT_EQ(server->sinkVolumes(), all(2, 655));
}

TEST_F(MixerWithServer, AFrozenServerDoesNotHoldUpSettings) {
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    server->freeze();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 50; ++i)
        mixer.setLevel(i);
    EXPECT_LT(clock.elapsed(), 500); // a waiting setLevel would block until the server wakes
    server->thaw();
    EXPECT_EQ(mixer.readLevel(), 49);
    EXPECT_EQ(server->sinkVolumes(), all(2, 32113));
}

TEST_F(MixerWithServer, ServerLostMidRunMakesStepsDoNothingUntilItIsBack) {
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    mixer.setLevel(30);
    ASSERT_TRUE(server->waitForSinkVolume(19661));
    server->kill();

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20; ++i)
        EXPECT_NO_THROW(mixer.setLevel(i));
    EXPECT_EQ(mixer.readLevel(), 100); // the last level the server told
    EXPECT_LT(clock.elapsed(), 1000);

    // Restarted, the server is found again by itself and gets the last level set, then every later one.
    server->restart();
    EXPECT_TRUE(server->waitForSinkVolume(Mixer::volumeFromLevel(19), 5000));
    mixer.setLevel(45);
    EXPECT_TRUE(server->waitForSinkVolume(Mixer::volumeFromLevel(45)));
    EXPECT_EQ(mixer.readLevel(), 45);
    mixer.close();
    EXPECT_FALSE(mixer.isOpen());
}

TEST_F(MixerWithServer, ClosingWhileTheServerIsGoneIsQuick) {
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    server->kill();
    QElapsedTimer clock;
    clock.start();
    mixer.setLevel(20);
    mixer.close();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(mixer.isOpen());
}

TEST(MixerFollowing, SettingsFollowANewDefaultSink) {
    PulseServerVariable guard(QStringLiteral("unix:/nonexistent/sarvel-no-server"));
    PrivateSoundServer server({"sink_name=testsink", "sink_name=quad channels=4"});
    server.point();
    Mixer mixer;
    ASSERT_TRUE(mixer.open());
    server.setSinkVolume(24248, "quad");
    server.setDefaultSink("quad");

    // The change of default reaches the mixer as an event; allow it a moment.
    QElapsedTimer clock;
    clock.start();
    while (mixer.readLevel() != 37 && clock.elapsed() < 2000)
        QThread::msleep(10);
    EXPECT_EQ(mixer.readLevel(), 37);
    mixer.setLevel(23);
    EXPECT_EQ(mixer.readLevel(), 23);
    EXPECT_EQ(server.sinkVolumes("quad"), all(4, 15073));
    EXPECT_EQ(server.sinkVolumes("testsink"), all(2, 65536));
}

TEST_F(MixerTest, AServerWithoutSinksIsNoMixer) {
    PrivateSoundServer server(QStringList{});
    server.point();
    Mixer mixer;
    EXPECT_FALSE(mixer.open());
    EXPECT_FALSE(mixer.isOpen());
}

// Nothing answers: a socket with no server, a refused TCP port, a port that accepts and stays
// silent. Each gives up within the start-up budget.
class MixerNoServer : public MixerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MixerNoServer, OpenFailsWithinTheTimeLimit) {
    test::SilentPorts ports;
    const QString kind = GetParam();
    const QString address = kind == "socket"    ? QStringLiteral("unix:/nonexistent/sarvel-no-server")
                            : kind == "refused" ? ports.refusedAddress()
                                                : ports.silentAddress();
    PulseServerVariable aim(address);
    Mixer mixer;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(mixer.open());
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(mixer.isOpen());
    mixer.setLevel(70);
    EXPECT_EQ(mixer.readLevel(), 0);
}

INSTANTIATE_TEST_SUITE_P(Addresses, MixerNoServer, ::testing::Values("socket", "refused", "silent"));

TEST_F(MixerWithServer, AFrozenServerAtOpenIsNoMixer) {
    server->freeze();
    Mixer mixer;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(mixer.open());
    EXPECT_LT(clock.elapsed(), 1000);
    server->thaw();
    // The abandoned attempt leaves no trace: a new one works.
    EXPECT_TRUE(mixer.open());
    EXPECT_EQ(mixer.readLevel(), 100);
}

} // namespace
} // namespace sarvel
