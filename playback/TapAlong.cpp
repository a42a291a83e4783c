#include "TapAlong.h"

namespace sarvel {

TapAlong::TapAlong(const std::vector<WordsLine>& lines) {
    for (const WordsLine& line : lines)
        if (!line.text.trimmed().isEmpty())
            lines_.push_back(line);
}

const WordsLine* TapAlong::tap(std::int64_t ms) {
    if (stamps_.size() >= lines_.size())
        return nullptr;
    stamps_.push_back(ms);
    return last();
}

const WordsLine* TapAlong::takeBack() {
    if (!stamps_.empty())
        stamps_.pop_back();
    return last();
}

const WordsLine* TapAlong::last() const {
    return stamps_.empty() ? nullptr : &lines_[stamps_.size() - 1];
}

std::vector<TimedLine> TapAlong::stamped() const {
    std::vector<TimedLine> out;
    for (std::size_t i = 0; i < stamps_.size(); ++i)
        out.push_back({lines_[i].text.trimmed(), stamps_[i]});
    return out;
}

} // namespace sarvel
