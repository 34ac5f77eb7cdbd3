// The five searchable categories and the statements each one runs.
#pragma once

#include <QString>

#include <span>

namespace meridane {

// The five categories: "方剂", "中药", "病理", "专家医案" and "我的资料库" (the user's own).
enum class Category { Formulas, Herbs, Pathology, ExpertCases, MyLibrary };

enum class DatabaseKind { Knowledge, Personal };

struct KnowledgeCategory {
    Category id;
    QString caption;
    QString baseTable;
    QString resultTable;
    QString searchedColumn;
    QString titleColumn;
    DatabaseKind database;
    QString withinProcedure; // name of the search-within-results procedure

    // Statement texts. Keywords are bound as the single parameter of the increment statements.
    QString resetStatement(const QString& table) const;
    QString incrementStatement(const QString& table) const;
    // The same comparing the text folded to one form of its variant characters (see
    // VariantFolding); the keyword is bound folded.
    QString foldedIncrementStatement(const QString& table) const;
    QString dropStatement() const;
    QString copyStatement() const;
    QString readStatement() const;    // rows with hits, in rank order
    QString readAllStatement() const; // every row of the result table, in rank order
};

// In the order "方剂", "中药", "病理", "专家医案", "我的资料库".
std::span<const KnowledgeCategory> KnowledgeCategories();
const KnowledgeCategory* CategoryFor(Category category);
const KnowledgeCategory* CategoryByCaption(const QString& caption);

// Makes every character of keyword match itself inside LIKE '%' || ? || '%' ESCAPE '\'.
QString EscapeLikePattern(const QString& keyword);

} // namespace meridane
