// Counts, for one text at a time, how many of a list of keywords occur in it, in one pass over
// the text for all of them. The keywords and the texts are bytes compared exactly (the callers
// fold letters beforehand); a keyword listed twice counts twice.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace meridane {

class KeywordMatcher {
public:
    // needles: byte strings (empty ones are left out).
    explicit KeywordMatcher(const std::vector<std::string>& needles);
    ~KeywordMatcher();
    KeywordMatcher(const KeywordMatcher&) = delete;
    KeywordMatcher& operator=(const KeywordMatcher&) = delete;

    // The working memory of one thread: each thread that counts makes its own.
    class Scratch {
    public:
        explicit Scratch(const KeywordMatcher& matcher);
        ~Scratch();
        Scratch(const Scratch&) = delete;
        Scratch& operator=(const Scratch&) = delete;

    private:
        friend class KeywordMatcher;
        struct Impl;
        std::unique_ptr<Impl> impl_;
    };

    // How many needles (repeats included) occur in text, each counted once however often it
    // occurs.
    int count(std::string_view text, Scratch& scratch) const;

    bool empty() const { return weights_.empty(); }

private:
    int countLong(std::string_view text, Scratch& scratch) const;

    struct Automaton;
    std::vector<std::string> distinct_; // each needle once
    std::vector<int> weights_;          // how often each distinct needle is listed
    std::unique_ptr<Automaton> automaton_;
};

} // namespace meridane
