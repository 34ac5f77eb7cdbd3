#include "services/record_trail.h"

namespace meridane {

void RecordTrail::visit(const VisitedRecord& record) {
    if (!records_.empty() && records_[current_] == record)
        return;
    if (!records_.empty())
        records_.resize(current_ + 1);
    records_.push_back(record);
    current_ = records_.size() - 1;
}

std::optional<VisitedRecord> RecordTrail::back() {
    if (!canGoBack())
        return std::nullopt;
    return records_[--current_];
}

std::optional<VisitedRecord> RecordTrail::forward() {
    if (!canGoForward())
        return std::nullopt;
    return records_[++current_];
}

} // namespace meridane
