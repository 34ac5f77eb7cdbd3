// The records shown in this run, for going back and forward through them as a browser does.
#pragma once

#include "search/knowledge_category.h"

#include <QString>

#include <optional>
#include <vector>

namespace meridane {

// A record as it was shown: its category (1 to 6), the keywords it was coloured with, its title.
struct VisitedRecord {
    int category = 0;
    QString keywords;
    QString title;
    bool operator==(const VisitedRecord&) const = default;
};

// A category as the trail and the keyword history keep it: 1 to 5, 0 for none.
inline int CategoryKey(std::optional<Category> category) {
    return category ? int(*category) + 1 : 0;
}

class RecordTrail {
public:
    // A record shown by the user's choice: it follows the current one, and what lay ahead of the
    // current one is dropped. The current record shown again changes nothing.
    void visit(const VisitedRecord& record);
    // The record before (after) the current one, which becomes the current one; nullopt at the
    // start (the end) of the trail.
    std::optional<VisitedRecord> back();
    std::optional<VisitedRecord> forward();
    bool canGoBack() const { return current_ > 0; }
    bool canGoForward() const { return current_ + 1 < records_.size(); }

private:
    std::vector<VisitedRecord> records_;
    size_t current_ = 0; // meaningful once records_ holds one
};

} // namespace meridane
