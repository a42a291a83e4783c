#pragma once

#include "MediaFiles.h"
#include "MediaLibrary.h"
#include "MediaPlayer.h"

#include <QString>

#include <chrono>

namespace sarvel::test {

// The test media of this process.
MediaLibrary& media();

// A sink that writes what it is given to a file of raw 16-bit 44.1 kHz samples, with the song's
// own channels, as fast as it comes (or in real time with `realTime`).
QString recordingSink(const QString& rawPath, bool realTime = false);
Pcm readRecording(const QString& rawPath, int channels);

// Runs the event loop until the device stops playing; false if it still plays after `limit`.
bool playToEnd(MediaPlayer& player, std::chrono::milliseconds limit = std::chrono::seconds(10));
// Runs the event loop for `span`.
void spin(std::chrono::milliseconds span);

// Milliseconds from `from` to `to`.
double msBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to);

} // namespace sarvel::test
