#pragma once

#include <QString>
#include <vector>

namespace sarvel::bench {

// Writes a kit with 20 themes of 50 songs (captions, 50 distinct 32×32 icons, words, songs,
// volumes) and the placeholders into the data folder under `home`; returns the kit's path.
QString writeFullKit(const QString& home);

double median(std::vector<double> values);

// Points HOME at `home` (a throwaway one, so that the user's own kit and settings are never
// touched) and, without a display, Qt at its offscreen platform. Call before the application.
void useThrowawayHome(const QString& home);
// Exits with how to run `program` unless the private sound server is there.
void requirePrivateSoundServer(const char* program);

} // namespace sarvel::bench
