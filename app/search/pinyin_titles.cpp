#include "search/pinyin_titles.h"

#include "search/keyword_text.h"
#include "search/pinyin.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "search/sqlite_db.h"

namespace meridane {

QStringList PinyinTitles(const KnowledgeCategory& category, const QStringList& keywords) {
    const std::optional<QString> typed = PinyinQuery(keywords);
    if (!typed)
        return {};
    QStringList titles;
    ReadRows(ConnectionStringFor(category),
             QStringLiteral("SELECT %1 FROM %2").arg(category.titleColumn, category.baseTable),
             [&titles](const SqlStatement& row) {
                 if (!row.isNull(0))
                     titles << row.text(0);
             });
    QStringList found;
    for (qsizetype i : TitlesByPinyin(*typed, titles))
        found << titles[i];
    found.removeDuplicates();
    return found;
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
