#include "search/text_finder.h"

#include <algorithm>

namespace meridane {

std::vector<TextRange> FindAll(const QString& text, const QString& needle) {
    std::vector<TextRange> found;
    if (needle.isEmpty())
        return found;
    for (qsizetype at = text.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(needle, at + needle.size(), Qt::CaseInsensitive))
        found.push_back({at, needle.size()});
    return found;
}

void HitStepper::setHits(std::vector<TextRange> hits) {
    hits_ = std::move(hits);
    current_.reset();
}

std::optional<TextRange> HitStepper::startAt(qsizetype from) {
    if (hits_.empty())
        return std::nullopt;
    const auto it = std::find_if(hits_.begin(), hits_.end(),
                                 [from](const TextRange& r) { return r.start >= from; });
    current_ = it == hits_.end() ? 0 : it - hits_.begin();
    return hits_[size_t(*current_)];
}

std::optional<TextRange> HitStepper::step(bool forward, qsizetype from) {
    const qsizetype n = count();
    if (n == 0)
        return std::nullopt;
    if (current_) {
        current_ = (*current_ + (forward ? 1 : n - 1)) % n;
    } else if (forward) {
        return startAt(from);
    } else {
        const auto it = std::find_if(hits_.rbegin(), hits_.rend(),
                                     [from](const TextRange& r) { return r.start < from; });
        current_ = it == hits_.rend() ? n - 1 : n - 1 - (it - hits_.rbegin());
    }
    return hits_[size_t(*current_)];
}

QString HitStepper::counter() const {
    return QStringLiteral("%1 / %2").arg(current_ ? *current_ + 1 : 0).arg(count());
}

} // namespace meridane
