// Finding what the user means: simplified, traditional and variant characters folded with
// OpenCC's own tables, and titles found by their pinyin with ICU's transliteration and the
// other readings of Unicode's Han database.
#include "search/keyword_text.h"
#include "search/pinyin.h"
#include "search/text_finder.h"
#include "search/variant_folding.h"
#include "services/record_trail.h"
#include "services/user_settings.h"

#include <QtTest>

using namespace meridane;

class FindingTest : public QObject {
    Q_OBJECT

private slots:
    void variantsFoldToOneForm();
    void foldingKeepsEveryPosition();
    void foldingRulesCloseAndKeepLengths();
    void pinyinSpellsTitles();
    void pinyinRanksAndOrders();
    void pinyinQueryTakesOnlyLetters();
    void findAllAndStepRound();
    void keywordHistoryKeepsFiftyDistinct();
    void trailGoesBackAndForward();
};

void FindingTest::variantsFoldToOneForm() {
    const VariantFolding* folding = VariantFolding::Instance();
    QVERIFY2(folding, "OpenCC's tables could not be read");
    QVERIFY(folding->size() > 2000);
    // The variants a reader meets in classical and modern copies.
    const QList<QStringList> same = {
        {QStringLiteral("人参"), QStringLiteral("人參"), QStringLiteral("人蔘")},
        {QStringLiteral("黄连"), QStringLiteral("黃連")},
        {QStringLiteral("当归"), QStringLiteral("當歸")},
        {QStringLiteral("干姜"), QStringLiteral("乾薑")},
        {QStringLiteral("针灸"), QStringLiteral("鍼灸"), QStringLiteral("針灸")},
    };
    for (const QStringList& forms : same)
        for (const QString& form : forms)
            QCOMPARE(folding->fold(form), folding->fold(forms.first()));
    // Different words stay different, and what is not Han is left alone.
    QVERIFY(folding->fold(QStringLiteral("黄芪")) != folding->fold(QStringLiteral("黄连")));
    QCOMPARE(folding->fold(QStringLiteral("Vitamin C, 3g")), QStringLiteral("Vitamin C, 3g"));

    // Folding twice is folding once, over every character of the table.
    QString every;
    for (char32_t c = 0x3400; c <= 0x9FFF; ++c)
        every += QString::fromUcs4(&c, 1);
    const QString once = folding->fold(every);
    QCOMPARE(folding->fold(once), once);

    // UTF-8 folds in place to the same bytes, supplementary characters and broken bytes too.
    QByteArray utf8 = (every + QStringLiteral("𠀀𪚥 Ab 人蔘")).toUtf8() +
                      QByteArray("\xe4\xba\xba\xe5\xff\xf0\x9f");
    const QByteArray expected =
        folding->fold(QString::fromUtf8(utf8.left(utf8.size() - 4))).toUtf8() + utf8.right(4);
    folding->foldUtf8(utf8.data(), size_t(utf8.size()));
    QCOMPARE(utf8, expected);
}

void FindingTest::foldingKeepsEveryPosition() {
    const VariantFolding* folding = VariantFolding::Instance();
    QVERIFY(folding);
    // Supplementary-plane characters and Latin text around the variants.
    const QString text = QStringLiteral("𠀀甲 人蔘 3錢，黃連 2g；𪚥 人參、人参。");
    const QString folded = folding->fold(text);
    QCOMPARE(folded.size(), text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        QCOMPARE(folded.at(i).isSurrogate(), text.at(i).isSurrogate());

    const QStringList keywords =
        folding->fold(QStringList{QStringLiteral("人参"), QStringLiteral("黄连")});
    const std::vector<TextRange> ranges = MergedRanges(KeywordRanges(folded, keywords));
    QStringList coloured;
    for (const TextRange& r : ranges)
        coloured << text.mid(r.start, r.length);
    QCOMPARE(coloured, (QStringList{QStringLiteral("人蔘"), QStringLiteral("黃連"),
                                    QStringLiteral("人參"), QStringLiteral("人参")}));
}

void FindingTest::foldingRulesCloseAndKeepLengths() {
    // A chain folds to its end; a fold that would change the UTF-16 length is not taken.
    const VariantFolding folding({{U'甲', U'乙'}, {U'乙', U'丙'}, {U'丁', U'𠀀'}, {U'𠀁', U'𠀂'}});
    QCOMPARE(folding.fold(QStringLiteral("甲乙丙丁𠀁")), QStringLiteral("丙丙丙丁𠀂"));
    QCOMPARE(folding.size(), 3);
    // A broken surrogate pair is left as it is.
    const QString broken = QString(QChar(0xD840)) + QStringLiteral("甲");
    QCOMPARE(folding.fold(broken), QString(QChar(0xD840)) + QStringLiteral("丙"));
}

void FindingTest::pinyinSpellsTitles() {
    // ICU's usual reading first, the others from the Han database.
    const QStringList zhu = HanReadings(U'术');
    QVERIFY2(zhu.contains(QStringLiteral("shu")) && zhu.contains(QStringLiteral("zhu")),
             qPrintable(zhu.join(u',')));
    QVERIFY(HanReadings(U'a').isEmpty());

    const QString sjzt = QStringLiteral("四君子汤");
    QCOMPARE(PinyinRank(QStringLiteral("sijunzitang"), sjzt), 0);
    QCOMPARE(PinyinRank(QStringLiteral("sjzt"), sjzt), 1);
    QCOMPARE(PinyinRank(QStringLiteral("sijunzt"), sjzt), 2);
    QCOMPARE(PinyinRank(QStringLiteral("sijun"), sjzt), 3);
    QCOMPARE(PinyinRank(QStringLiteral("sjz"), sjzt), 4);
    QCOMPARE(PinyinRank(QStringLiteral("sijunzita"), sjzt), 3); // the last syllable in part
    QCOMPARE(PinyinRank(QStringLiteral("junzitang"), sjzt), std::nullopt); // not its start
    QCOMPARE(PinyinRank(QStringLiteral("sijunzitangx"), sjzt), std::nullopt);

    // Characters with several readings, and traditional characters.
    QCOMPARE(PinyinRank(QStringLiteral("baizhu"), QStringLiteral("白术")), 0);
    QCOMPARE(PinyinRank(QStringLiteral("liuweidihuangwan"), QStringLiteral("六味地黄丸")), 0);
    QCOMPARE(PinyinRank(QStringLiteral("renshen"), QStringLiteral("人參")), 0);
    QCOMPARE(PinyinRank(QStringLiteral("bohe"), QStringLiteral("薄荷")), 0);
    // zh, ch, sh may stand for a syllable as one initial.
    QCOMPARE(PinyinRank(QStringLiteral("chhsgs"), QStringLiteral("柴胡疏肝散")), 1);
    // Punctuation is passed over; Latin letters and digits in a title are read as they are.
    QCOMPARE(PinyinRank(QStringLiteral("gmafhsb"), QStringLiteral("感冒案（风寒束表）")), 1);
    QCOMPARE(PinyinRank(QStringLiteral("ganmaoan"), QStringLiteral("感冒案（风寒束表）")), 3);
    QCOMPARE(PinyinRank(QStringLiteral("vitamin"), QStringLiteral("Vitamin")), 0);
}

void FindingTest::pinyinRanksAndOrders() {
    const QStringList titles = {
        QStringLiteral("四君子汤加味"), QStringLiteral("四物汤"),     QStringLiteral("四君子汤"),
        QStringLiteral("生脉散"),       QStringLiteral("参苓白术散"), QStringLiteral("四逆散"),
    };
    auto named = [&](const QString& typed) {
        QStringList out;
        for (qsizetype i : TitlesByPinyin(typed, titles))
            out << titles[i];
        return out;
    };
    // The whole title before a title that starts so; shorter first among equals.
    QCOMPARE(named(QStringLiteral("sijunzitang")),
             (QStringList{QStringLiteral("四君子汤"), QStringLiteral("四君子汤加味")}));
    QCOMPARE(named(QStringLiteral("sjzt")),
             (QStringList{QStringLiteral("四君子汤"), QStringLiteral("四君子汤加味")}));
    QCOMPARE(named(QStringLiteral("si")),
             (QStringList{QStringLiteral("四物汤"), QStringLiteral("四逆散"),
                          QStringLiteral("四君子汤"), QStringLiteral("四君子汤加味")}));
    QCOMPARE(named(QStringLiteral("shenlingbaizhusan")), QStringList{QStringLiteral("参苓白术散")});
    QVERIFY(named(QStringLiteral("qqqq")).isEmpty());
}

void FindingTest::pinyinQueryTakesOnlyLetters() {
    QCOMPARE(PinyinQuery({QStringLiteral("Si Jun"), QStringLiteral("zi'tang")}),
             QStringLiteral("sijunzitang"));
    QCOMPARE(PinyinQuery({QStringLiteral("人参")}), std::nullopt);
    QCOMPARE(PinyinQuery({QStringLiteral("abc1")}), std::nullopt);
    QCOMPARE(PinyinQuery({QString(), QStringLiteral("  ")}), std::nullopt);
    QCOMPARE(PinyinQuery({QStringLiteral("ｓｉ")}), std::nullopt); // full-width letters
}

void FindingTest::findAllAndStepRound() {
    // Latin letters in either case; places one after another, not overlapping.
    const QString text = QStringLiteral("Aa aaa 人参人参 aA");
    QCOMPARE(FindAll(text, QStringLiteral("aa")),
             (std::vector<TextRange>{{0, 2}, {3, 2}, {12, 2}}));
    QCOMPARE(FindAll(text, QStringLiteral("人参")), (std::vector<TextRange>{{7, 2}, {9, 2}}));
    QVERIFY(FindAll(text, QString()).empty());

    HitStepper s;
    QCOMPARE(s.step(true, 0), std::nullopt);
    QCOMPARE(s.counter(), QStringLiteral("0 / 0"));
    s.setHits({{2, 1}, {5, 1}, {9, 1}});
    QCOMPARE(s.counter(), QStringLiteral("0 / 3"));
    // The first step goes from the caret; later ones from the current place, round the end.
    QCOMPARE(s.step(true, 4), (TextRange{5, 1}));
    QCOMPARE(s.step(true, 0), (TextRange{9, 1}));
    QCOMPARE(s.counter(), QStringLiteral("3 / 3"));
    QCOMPARE(s.step(true, 0), (TextRange{2, 1}));
    QCOMPARE(s.step(false, 0), (TextRange{9, 1}));
    s.setHits({{2, 1}, {5, 1}, {9, 1}});
    QCOMPARE(s.step(false, 5), (TextRange{2, 1})); // the last place before the caret
    s.setHits({{2, 1}, {5, 1}, {9, 1}});
    QCOMPARE(s.step(false, 1), (TextRange{9, 1}));
    // Past the last place, the search starts again at the first.
    QCOMPARE(s.startAt(10), (TextRange{2, 1}));
    QCOMPARE(s.counter(), QStringLiteral("1 / 3"));
}

void FindingTest::keywordHistoryKeepsFiftyDistinct() {
    QTemporaryDir dir;
    SetUserSettingsFile(dir.filePath(QStringLiteral("settings.ini")));
    // Commas of both widths and spaces are kept as typed; blank text is not kept.
    const QString mixed = QStringLiteral("人参, 黄芪，\"当归\" = a;b");
    AddToKeywordHistory(1, mixed);
    AddToKeywordHistory(1, QStringLiteral(" ,，"));
    AddToKeywordHistory(1, QString());
    AddToKeywordHistory(2, QStringLiteral("甘草"));
    QCOMPARE(KeywordHistory(1), QStringList{mixed});
    for (int i = 0; i < 60; ++i)
        AddToKeywordHistory(1, QStringLiteral("词%1").arg(i));
    AddToKeywordHistory(1, QStringLiteral("词30")); // moved to the front, not kept twice
    const QStringList kept = KeywordHistory(1);
    QCOMPARE(kept.size(), kKeywordHistorySize);
    QCOMPARE(kept.first(), QStringLiteral("词30"));
    QCOMPARE(kept.at(1), QStringLiteral("词59"));
    QCOMPARE(kept.count(QStringLiteral("词30")), 1);
    QVERIFY(!kept.contains(mixed)); // the oldest went
    // Each category keeps its own, and clearing one leaves the others.
    ClearKeywordHistory(1);
    QVERIFY(KeywordHistory(1).isEmpty());
    QCOMPARE(KeywordHistory(2), QStringList{QStringLiteral("甘草")});
    SetUserSettingsFile(QString());
}

void FindingTest::trailGoesBackAndForward() {
    RecordTrail trail;
    QCOMPARE(trail.back(), std::nullopt);
    const VisitedRecord a{1, QStringLiteral("人参"), QStringLiteral("四君子汤")};
    const VisitedRecord b{2, QStringLiteral("人参"), QStringLiteral("人参")};
    const VisitedRecord c{3, QString(), QStringLiteral("感冒")};
    trail.visit(a);
    trail.visit(a); // shown again: still one step
    trail.visit(b);
    QCOMPARE(trail.back(), a);
    QCOMPARE(trail.back(), std::nullopt);
    QCOMPARE(trail.forward(), b);
    QCOMPARE(trail.forward(), std::nullopt);
    // A record chosen after going back drops what lay ahead.
    QCOMPARE(trail.back(), a);
    trail.visit(c);
    QVERIFY(!trail.canGoForward());
    QCOMPARE(trail.back(), a);
    QCOMPARE(trail.forward(), c);
}

QTEST_GUILESS_MAIN(FindingTest)
#include "tst_finding.moc"
