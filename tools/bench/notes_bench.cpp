// Prints how long the notes editor's record set takes to load a large notes file and to save a
// batch of changes to it: every note edited, half of the notes deleted, and as many new notes
// added. Not a test: it asserts nothing.
#include "bench/bench_support.h"
#include "builddb/source_records.h"
#include "services/personal_records.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace meridane;
using namespace meridane::bench;

namespace {

QString Ms(double ms) {
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}

std::vector<SourceRecord> Notes(int count) {
    std::vector<SourceRecord> notes;
    notes.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        notes.push_back(
            {i + 1,
             QStringLiteral("笔记%1").arg(i + 1),
             QStringLiteral("第%1条笔记：四君子汤补气健脾，二陈汤燥湿化痰。").arg(i + 1),
             {}});
    return notes;
}

int Usage() {
    Out(QStringLiteral("usage: meridane-notes-bench [--notes N] [--runs R]"));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int count = 20000;
    int runs = 3;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return Usage();
        bool ok = false;
        const int value = args.at(i + 1).toInt(&ok);
        if (!ok || value < 1)
            return Usage();
        if (args.at(i) == QLatin1String("--notes"))
            count = value;
        else if (args.at(i) == QLatin1String("--runs"))
            runs = value;
        else
            return Usage();
    }

    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/msjic");
    const QString stored = dir.path() + QStringLiteral("/stored");
    WritePersonalDb(Notes(count), stored);
    WritePersonalDb({}, stored + QStringLiteral("-empty"));
    const auto fresh = [&](const QString& from) {
        QFile::remove(file);
        QFile::copy(from, file);
    };

    std::vector<double> load, edit, remove, add;
    for (int run = 0; run < runs; ++run) {
        PersonalRecordSet set;
        fresh(stored);
        load.push_back(TimeMs([&] { set.load(file); }));

        for (set.moveFirst(); set.current(); set.moveNext()) {
            set.setBody(set.current()->body + QStringLiteral("（已改）"));
            if (set.position() == set.count() - 1)
                break;
        }
        edit.push_back(TimeMs([&] { set.save(file); }));

        set.load(file);
        set.moveFirst();
        for (int i = 0; i < count / 2 && set.current(); ++i) {
            set.deleteCurrent();
            set.moveNext();
        }
        remove.push_back(TimeMs([&] { set.save(file); }));

        fresh(stored + QStringLiteral("-empty"));
        set.load(file);
        for (int i = 0; i < count; ++i) {
            set.addNew();
            set.setTitle(QStringLiteral("新笔记%1").arg(i));
            set.setBody(QStringLiteral("新写的笔记"));
        }
        add.push_back(TimeMs([&] { set.save(file); }));
    }

    Out(QStringLiteral("notes file of %1 notes, median of %2 runs (ms)").arg(count).arg(runs));
    Out(QStringLiteral("  load                        %1").arg(Ms(Median(load))));
    Out(QStringLiteral("  save, every note edited     %1").arg(Ms(Median(edit))));
    Out(QStringLiteral("  save, %1 notes deleted   %2").arg(count / 2).arg(Ms(Median(remove))));
    Out(QStringLiteral("  save, %1 notes added     %2").arg(count).arg(Ms(Median(add))));
    return 0;
}
