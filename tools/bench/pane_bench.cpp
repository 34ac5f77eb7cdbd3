// meridane-pane-bench: how long the window stops answering while it shows a large text: the
// start-up notice, a record clicked in the result list, a note in the notes editor. For each
// shape it prints the longest time between two turns of the event loop, from the action on.
//   meridane-pane-bench [--kib N]...   (sizes of the texts; 64, 256 and 1024 KiB by default)
#include "bench/bench_support.h"
#include "builddb/source_records.h"
#include "search/memory/engine.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "services/update_check.h"
#include "shell/main_window.h"
#include "shell/personal_editor.h"
#include "shell/record_pane.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace meridane;
using namespace meridane::bench;

namespace {

// The longest time the event loop did not turn, from the start of action until watchMs later
// (the action itself counts as part of the first interval).
qint64 LongestFreeze(const std::function<void()>& action, int watchMs = 1500) {
    QElapsedTimer clock;
    clock.start();
    action();
    qint64 longest = 0, last = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start();
    QEventLoop loop;
    QTimer::singleShot(watchMs, &loop, &QEventLoop::quit);
    loop.exec();
    return longest;
}

// One line without a place to break it, Chinese prose in one paragraph, or many short lines.
QString Shape(const QString& shape, qsizetype chars) {
    QString text;
    text.reserve(chars + 8);
    if (shape == QLatin1String("breakless")) {
        text.fill(QLatin1Char('x'), chars);
    } else if (shape == QLatin1String("paragraph")) {
        const QString prose = QStringLiteral("发热恶寒，头项强痛，脉浮缓者，病在表也。");
        while (text.size() < chars)
            text += prose;
    } else {
        while (text.size() < chars)
            text += QStringLiteral("病理\n");
    }
    text.truncate(chars);
    return text;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    memory::Engine engine;
    std::vector<qsizetype> kib;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2)
        if (args.at(i) == QLatin1String("--kib"))
            kib.push_back(args.at(i + 1).toLongLong());
    if (kib.empty())
        kib = {64, 256, 1024};
    QuietMessages quiet;
    SetMessageService(&quiet);
    const QStringList shapes{QStringLiteral("breakless"), QStringLiteral("paragraph"),
                             QStringLiteral("lines")};

    for (const qsizetype k : kib) {
        for (const QString& shape : shapes) {
            const QString text = Shape(shape, k * 1024);

            // The start-up notice in the record pane, shown with the window.
            qint64 notice = 0;
            {
                RecordPane pane;
                pane.resize(600, 400);
                notice = LongestFreeze([&] {
                    pane.showPlain(NoticeText(true, text));
                    pane.show();
                });
            }

            // A 病理 record of that text, clicked in the result list.
            QTemporaryDir dir;
            KnowledgeSources sources;
            sources.bing = {{1, QStringLiteral("长篇"), QStringLiteral("病理 ") + text,
                             QStringLiteral("病理")}};
            WriteKnowledgeDb(sources, dir.path() + QStringLiteral("/sound/bk6.mp3"),
                             QStringLiteral("2008-05-20"));
            WritePersonalDb({{1, QStringLiteral("长笔记"), text, QStringLiteral("长笔记")}},
                            dir.path() + QStringLiteral("/msjic"));
            QDir().mkpath(dir.path() + QStringLiteral("/sys"));
            SetProgramFolder(dir.path());
            qint64 record = 0, note = 0;
            {
                frmMain window(engine);
                window.show();
                if (!QTest::qWaitForWindowExposed(&window))
                    return 1;
                engine.finishWarmUp();
                window.Option3->setChecked(true);
                window.Text1[0]->setText(QStringLiteral("病理"));
                window.Command1Click();
                engine.finishPendingWrites();
                record = LongestFreeze([&] { window.List1Click(QStringLiteral("长篇")); });
                window.close();
            }
            // The note in the notes editor, as it opens.
            {
                std::unique_ptr<Form5> editor;
                note = LongestFreeze([&] {
                    editor = std::make_unique<Form5>();
                    editor->show();
                });
            }
            std::printf("%5lld KiB %-9s  notice %6lld ms  record %6lld ms  note %6lld ms\n",
                        static_cast<long long>(k), qPrintable(shape),
                        static_cast<long long>(notice), static_cast<long long>(record),
                        static_cast<long long>(note));
            std::fflush(stdout);
        }
    }
    return 0;
}
