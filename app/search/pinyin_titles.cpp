#include "search/pinyin_titles.h"

#include "search/keyword_text.h"
#include "search/pinyin.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "search/sqlite_db.h"

namespace meridane {

QStringList TitlesOf(const KnowledgeCategory& category) {
    QStringList titles;
    ReadRows(ConnectionStringFor(category),
             QStringLiteral("SELECT %1 FROM %2").arg(category.titleColumn, category.baseTable),
             [&titles](const SqlStatement& row) {
                 if (!row.isNull(0))
                     titles << row.text(0);
             });
    return titles;
}

QStringList PinyinTitles(const QStringList& keywords, const std::function<QStringList()>& titles) {
    const std::optional<QString> typed = PinyinQuery(keywords);
    if (!typed)
        return {};
    const QStringList all = titles();
    QStringList found;
    for (qsizetype i : TitlesByPinyin(*typed, all))
        found << all[i];
    found.removeDuplicates();
    return found;
}

QStringList PinyinTitles(const KnowledgeCategory& category, const QStringList& keywords) {
    return PinyinTitles(keywords, [&category] { return TitlesOf(category); });
}

std::optional<TitledRecord> RecordByTitle(const KnowledgeCategory& category, const QString& title) {
    SqlConnection db;
    db.open(ConnectionString::parse(ConnectionStringFor(category)));
    SqlStatement rows = db.prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?")
                                       .arg(category.baseTable, category.titleColumn));
    rows.bind(1, title);
    std::optional<TitledRecord> found;
    while (rows.step())
        found = TitledRecord{CellText(rows, 2), RecordHeader(CellText(rows, 0), CellText(rows, 3))};
    return found;
}

} // namespace meridane
