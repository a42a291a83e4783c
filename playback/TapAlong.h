#pragma once

#include "Lrc.h"
#include "LrcWriter.h"

#include <cstdint>
#include <vector>

namespace sarvel {

// Timing words by tapping along: each tap ties the next line that has words to a time of the
// song, a step back unties the last one. Blank lines are passed over.
class TapAlong {
public:
    TapAlong() = default;
    explicit TapAlong(const std::vector<WordsLine>& lines);

    // The line now stamped, or nothing when every line already is.
    const WordsLine* tap(std::int64_t ms);
    // Unties the last stamp; the line stamped before it, or nothing.
    const WordsLine* takeBack();
    bool hasLines() const { return !lines_.empty(); }
    bool empty() const { return stamps_.empty(); }
    std::vector<TimedLine> stamped() const;

private:
    const WordsLine* last() const;

    std::vector<WordsLine> lines_;
    std::vector<std::int64_t> stamps_; // one per line stamped, in the lines' order
};

} // namespace sarvel
