#pragma once

#include <QString>
#include <vector>

namespace sarvel::bench {

// Writes a kit with 20 themes of 50 songs (captions, 50 distinct 32×32 icons, words, songs,
// volumes) and the placeholders into the data folder under `home`; returns the kit's path.
QString writeFullKit(const QString& home);

double median(std::vector<double> values);

} // namespace sarvel::bench
