// The five searchable categories and the statements each one runs.
#pragma once

#include <QString>

#include <span>

namespace meridane {

// The main window's option buttons. Option4 ("联想") is hidden and selects no category.
enum class Option { Option1, Option2, Option3, Option4, Option5, Option6 };

enum class DatabaseKind { Knowledge, Personal };

struct KnowledgeCategory {
    Option option;
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

// In the order Option1, Option2, Option3, Option6, Option5.
std::span<const KnowledgeCategory> KnowledgeCategories();
const KnowledgeCategory* CategoryFor(Option option);
const KnowledgeCategory* CategoryByCaption(const QString& caption);

// Makes every character of keyword match itself inside LIKE '%' || ? || '%' ESCAPE '\'.
QString EscapeLikePattern(const QString& keyword);

} // namespace meridane
