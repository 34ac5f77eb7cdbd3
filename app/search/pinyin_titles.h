// A search that found nothing, read again as pinyin: the titles of the category that the
// keywords spell.
#pragma once

#include "search/knowledge_category.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace meridane {

// The titles of the category's table that the keywords spell in pinyin, best first (see
// TitlesByPinyin); none when the keywords are not Latin letters. Reads the working copy; throws
// DbError when it cannot.
QStringList PinyinTitles(const KnowledgeCategory& category, const QStringList& keywords);
// The same among the titles that titles gives (the category's, in table order), which is asked
// only when the keywords are Latin letters.
QStringList PinyinTitles(const QStringList& keywords, const std::function<QStringList()>& titles);
// The non-null titles of the category's table, in table order. Reads the working copy; throws
// DbError when it cannot.
QStringList TitlesOf(const KnowledgeCategory& category);

// A record of the category's table by its title, as the record display shows it: the text and
// the header line (the last of several with that title, as a click on a listed title shows).
struct TitledRecord {
    QString body;
    QString header;
};
// nullopt when no record has the title; throws DbError when the table cannot be read.
std::optional<TitledRecord> RecordByTitle(const KnowledgeCategory& category, const QString& title);

} // namespace meridane
