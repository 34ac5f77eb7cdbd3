// The main-window fields that the search reads and writes. The window shows them.
#pragma once

#include "search/knowledge_category.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace meridane {

struct SearchFields {
    QString keywordBox;      // Text1(0): keywords as typed
    QString currentKeyword;  // Text1(1): the keyword being worked on
    QStringList keywordList; // List2: one entry per piece of the keyword box
    QStringList resultList;  // List1: titles in rank order
    QString recordBody;      // Text2: body of the shown record
    QString hitCounter;      // Label3: number of result-list entries, as text
    QString statusLine;      // Label2: outcome of the search, or the record header
    // The category of the checked option button; none for the hidden Option4 ("联想").
    std::optional<Category> selected = Category::Formulas;
    // "繁简通查": each keyword matches its simplified, traditional and variant forms too.
    bool variants = false;
};

} // namespace meridane
