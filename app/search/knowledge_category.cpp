#include "search/knowledge_category.h"

#include <array>

namespace meridane {

namespace {

const QString kHits = QStringLiteral("相符个数");

KnowledgeCategory Make(Category category, const char* caption, const char* base, const char* result,
                       const char* column, const char* title, DatabaseKind db, const char* within) {
    return {category,
            QString::fromUtf8(caption),
            QString::fromUtf8(base),
            QString::fromUtf8(result),
            QString::fromUtf8(column),
            QString::fromUtf8(title),
            db,
            QString::fromUtf8(within)};
}

} // namespace

QString KnowledgeCategory::resetStatement(const QString& table) const {
    return QStringLiteral("UPDATE %1 SET %2=0").arg(table, kHits);
}

QString KnowledgeCategory::incrementStatement(const QString& table) const {
    // LIKE reads its pattern only up to a NUL, so a keyword holding one would match as its part
    // before the NUL (a lone NUL as everything). LIKE reads the column's text only up to a NUL
    // as well, so such a keyword occurs in no text it sees: it counts nothing.
    return QStringLiteral("UPDATE %1 SET %2=%2+1 WHERE instr(?1, char(0)) = 0 AND %3 LIKE '%' || "
                          "?1 || '%' ESCAPE '\\'")
        .arg(table, kHits, searchedColumn);
}

QString KnowledgeCategory::foldedIncrementStatement(const QString& table) const {
    return QStringLiteral("UPDATE %1 SET %2=%2+1 WHERE instr(?1, char(0)) = 0 AND "
                          "meridane_fold(%3) LIKE '%' || ?1 || '%' ESCAPE '\\'")
        .arg(table, kHits, searchedColumn);
}

QString KnowledgeCategory::dropStatement() const {
    return QStringLiteral("DROP TABLE %1").arg(resultTable);
}

QString KnowledgeCategory::copyStatement() const {
    return QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 WHERE %3>0")
        .arg(resultTable, baseTable, kHits);
}

QString KnowledgeCategory::readStatement() const {
    return QStringLiteral("SELECT * FROM %1 WHERE %2>0 ORDER BY %2 DESC, 编号")
        .arg(resultTable, kHits);
}

QString KnowledgeCategory::readAllStatement() const {
    return QStringLiteral("SELECT * FROM %1 ORDER BY %2 DESC, 编号").arg(resultTable, kHits);
}

std::span<const KnowledgeCategory> KnowledgeCategories() {
    static const std::array<KnowledgeCategory, 5> table = {
        Make(Category::Formulas, "方剂", "An1", "An2", "关键字", "标题", DatabaseKind::Knowledge,
             "fang3"),
        Make(Category::Herbs, "中药", "yao", "yao2", "文本", "药名", DatabaseKind::Knowledge,
             "yao3"),
        Make(Category::Pathology, "病理", "bing", "bing2", "文本", "病名", DatabaseKind::Knowledge,
             "bing3"),
        Make(Category::ExpertCases, "专家医案", "yishu1", "yishu2", "关键字", "题目",
             DatabaseKind::Knowledge, "shu3"),
        Make(Category::MyLibrary, "我的资料库", "me1", "me2", "文本", "标题",
             DatabaseKind::Personal, "me3"),
    };
    return table;
}

const KnowledgeCategory* CategoryFor(Category category) {
    for (const KnowledgeCategory& c : KnowledgeCategories())
        if (c.id == category)
            return &c;
    return nullptr;
}

const KnowledgeCategory* CategoryByCaption(const QString& caption) {
    for (const KnowledgeCategory& c : KnowledgeCategories())
        if (c.caption == caption)
            return &c;
    return nullptr;
}

QString EscapeLikePattern(const QString& keyword) {
    QString out;
    out.reserve(keyword.size() + 4);
    for (QChar ch : keyword) {
        if (ch == QLatin1Char('\\') || ch == QLatin1Char('%') || ch == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += ch;
    }
    return out;
}

} // namespace meridane
