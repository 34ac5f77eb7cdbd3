// Moving through marked places of a text: the matches of the find bar and the keyword hits of
// the record shown. Positions only; the pane marks them.
#pragma once

#include "search/keyword_text.h"

#include <QString>

#include <optional>
#include <vector>

namespace meridane {

// Every place of needle in text, from the start, one after another without overlapping; Latin
// letters in either case match. None for an empty needle.
std::vector<TextRange> FindAll(const QString& text, const QString& needle);

// The places, and which one is the current one.
class HitStepper {
public:
    // New places; none is current.
    void setHits(std::vector<TextRange> hits);
    const std::vector<TextRange>& hits() const { return hits_; }
    qsizetype count() const { return qsizetype(hits_.size()); }
    std::optional<qsizetype> current() const { return current_; }

    // Makes the first place that starts at from or later current (the first place when none
    // does). Returns it; nullopt without places.
    std::optional<TextRange> startAt(qsizetype from);
    // The next (or previous) place after the current one, round from the last to the first;
    // with none current, the first place at or after from (the last before it). nullopt
    // without places.
    std::optional<TextRange> step(bool forward, qsizetype from);

    // "2 / 7": the current place's number and the count; "0 / 7" with none current.
    QString counter() const;

private:
    std::vector<TextRange> hits_;
    std::optional<qsizetype> current_;
};

} // namespace meridane
