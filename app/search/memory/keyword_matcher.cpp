#include "search/memory/keyword_matcher.h"

#include <algorithm>
#include <cstring> // memchr, memcmp, memmem

namespace meridane {

// The needles of two bytes or more are found in one pass by skipping (after Wu and Manber): a
// window of the length of the shortest of them slides over the text, and the last two bytes
// under the window say how far it may move without passing over the start of any needle. Only
// where that is zero are the needles compared. Needles of one byte are looked for with memchr.
struct KeywordMatcher::Automaton {
    size_t window = 0;                  // the shortest length among the long needles
    std::vector<unsigned char> shift;   // per two-byte block, 65,536 entries
    std::vector<unsigned> longNeedles;  // indexes into distinct_
    std::vector<unsigned> shortNeedles; // needles of one byte
};

struct KeywordMatcher::Scratch::Impl {
    std::vector<unsigned char> found; // per distinct needle, for one text
};

KeywordMatcher::KeywordMatcher(const std::vector<std::string>& needles) {
    for (const std::string& needle : needles) {
        if (needle.empty())
            continue;
        const auto it = std::find(distinct_.begin(), distinct_.end(), needle);
        if (it == distinct_.end()) {
            distinct_.push_back(needle);
            weights_.push_back(1);
        } else {
            ++weights_[size_t(it - distinct_.begin())];
        }
    }
    auto automaton = std::make_unique<Automaton>();
    size_t window = SIZE_MAX;
    for (size_t i = 0; i < distinct_.size(); ++i) {
        if (distinct_[i].size() < 2) {
            automaton->shortNeedles.push_back(unsigned(i));
        } else {
            automaton->longNeedles.push_back(unsigned(i));
            window = std::min(window, distinct_[i].size());
        }
    }
    if (!automaton->longNeedles.empty()) {
        // The window moves at most 255 bytes at a time.
        window = std::min<size_t>(window, 256);
        automaton->window = window;
        automaton->shift.assign(65536, (unsigned char)(window - 1));
        for (unsigned i : automaton->longNeedles) {
            const auto* p = reinterpret_cast<const unsigned char*>(distinct_[i].data());
            for (size_t j = 1; j < window; ++j) {
                unsigned char& s = automaton->shift[size_t(p[j - 1]) << 8 | p[j]];
                s = std::min(s, (unsigned char)(window - 1 - j));
            }
        }
    }
    automaton_ = std::move(automaton);
}

KeywordMatcher::~KeywordMatcher() = default;

KeywordMatcher::Scratch::Scratch(const KeywordMatcher& matcher) : impl_(std::make_unique<Impl>()) {
    impl_->found.resize(matcher.distinct_.size());
}

KeywordMatcher::Scratch::~Scratch() = default;

int KeywordMatcher::count(std::string_view text, Scratch& scratch) const {
    if (distinct_.empty() || text.empty())
        return 0;
    const Automaton& a = *automaton_;
    int count = 0;
    for (unsigned i : a.shortNeedles)
        if (std::memchr(text.data(), distinct_[i][0], text.size()))
            count += weights_[i];
    return count + countLong(text, scratch);
}

int KeywordMatcher::countLong(std::string_view text, Scratch& scratch) const {
    const Automaton& a = *automaton_;
    if (a.longNeedles.empty() || text.size() < a.window)
        return 0;
    std::vector<unsigned char>& found = scratch.impl_->found;
    std::fill(found.begin(), found.end(), 0);
    size_t left = a.longNeedles.size();
    int count = 0;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    const unsigned char* shift = a.shift.data();
    // pos: the last byte under the window, whose first byte is pos + 1 - window.
    for (size_t pos = a.window - 1; pos < n;) {
        const unsigned char s = shift[size_t(t[pos - 1]) << 8 | t[pos]];
        if (s != 0) {
            pos += s;
            continue;
        }
        const size_t start = pos + 1 - a.window;
        for (unsigned i : a.longNeedles) {
            const std::string& needle = distinct_[i];
            if (found[i] || needle.size() > n - start ||
                std::memcmp(t + start, needle.data(), needle.size()) != 0)
                continue;
            found[i] = 1;
            count += weights_[i];
            if (--left == 0)
                return count;
        }
        ++pos;
    }
    return count;
}

} // namespace meridane
