#pragma once

#include "MediaPlayer.h"
#include "MonitorRecorder.h"
#include "PrivateSink.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace sarvel::test {

// A device playing into a null sink of the test's own on the test sound server, with a recorder
// on the sink's monitor: what a listener would hear, and when.
class PrivateSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("SARVEL_TEST_SINK"))
            GTEST_SKIP() << "no test sound server (PULSE_SERVER, SARVEL_TEST_SINK)";
        sink = std::make_unique<PrivateSink>(
            QStringLiteral("sarvel_media_test_%1").arg(QCoreApplication::applicationPid()));
        ASSERT_TRUE(sink->ready()) << "cannot add a null sink to the test sound server";
        recorder = std::make_unique<MonitorRecorder>(sink->monitor());
        ASSERT_TRUE(recorder->waitUntilFlowing(std::chrono::seconds(3)));
        player.setAudioSink("pulsesink device=" + sink->name());
    }
    void TearDown() override {
        player.Close();
        recorder.reset();
        sink.reset();
    }

    std::unique_ptr<PrivateSink> sink;
    std::unique_ptr<MonitorRecorder> recorder;
    MediaPlayer player;
};

} // namespace sarvel::test
