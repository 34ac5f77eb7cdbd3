#include "test_support.h"

#include "search/program_folder.h"

#include <QDir>

namespace meridane::test {

int ScriptedMessages::MsgBox(const QString& prompt, int flags, const QString& title) {
    shown.append({prompt, flags, title});
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (flags & 0xF) == MsgFlags::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

qsizetype ScriptedMessages::count(const QString& prompt) const {
    return std::count_if(shown.begin(), shown.end(),
                         [&](const ShownMessage& m) { return m.prompt == prompt; });
}

SourceRecord Rec(qint64 number, const QString& title, const QString& text,
                 const QString& keywords) {
    return {number, title, text, keywords.isNull() ? title + QLatin1Char(' ') + text : keywords};
}

TempProgramFolder::TempProgramFolder(const KnowledgeSources& sources,
                                     const std::vector<SourceRecord>& notes) {
    WriteKnowledgeDb(sources, dir_.path() + QStringLiteral("/sound/bk6.mp3"),
                     QStringLiteral("2008-05-20"));
    WritePersonalDb(notes, dir_.path() + QStringLiteral("/msjic"));
    QDir().mkpath(dir_.path() + QStringLiteral("/sys"));
    SetProgramFolder(dir_.path());
    MakeWorkingCopy();
}

QString ClassicsFolder() {
    const QString path = QStringLiteral(MERIDANE_SOURCE_DIR "/../shared/data/classics");
    return QDir(path).exists(QStringLiteral("An1.jsonl")) ? QDir(path).absolutePath() : QString();
}

} // namespace meridane::test
