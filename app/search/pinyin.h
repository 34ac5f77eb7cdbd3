// Finding titles by their pinyin: 四君子汤 is found by "sijunzitang", "si jun zi tang" and "sjzt",
// tones ignored. A character's usual reading comes from ICU's Han-Latin transliteration; the
// other readings of a character with several (术 shu and zhu, 地 di and de) from Unicode's Han
// database, taken in at build time. Any reading matches.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace meridane {

// The readings of one character, lower case without tones, the usual one first; empty for a
// character that is not Han.
QStringList HanReadings(char32_t c);

// The keywords as pinyin to look for: the keywords joined, lower case, without spaces and
// apostrophes; nullopt unless every keyword is made of Latin letters (and spaces or apostrophes).
std::optional<QString> PinyinQuery(const QStringList& keywords);

// How well the typed letters spell a title from its start, best first: 0 the whole title in
// full syllables, 1 the whole title by initials, 2 the whole title mixing both, 3–5 the same for
// the start of the title. nullopt when they do not spell it.
std::optional<int> PinyinRank(const QString& typed, const QString& title);

// The indices of the titles the typed letters spell, best first; among equals, shorter titles
// first, then in the given order.
std::vector<qsizetype> TitlesByPinyin(const QString& typed, const QStringList& titles);

} // namespace meridane
