// meridane-update-bench: what "在线更新" costs the window after the whole file has come. It builds
// a knowledge database of the given size, times the program's check and copy of it, and then
// fetches it with the main window's download control from a local web server, printing the
// longest time the event loop did not turn from the start of the transfer to its end.
//   meridane-update-bench [--mib N]   (256 by default)
#include "builddb/source_records.h"
#include "services/download.h"
#include "services/update_check.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace meridane;

namespace {

// Serves one file to every GET, whatever the path.
class OneFileServer : public QTcpServer {
public:
    explicit OneFileServer(const QString& file) : file_(file) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->readAll().contains("\r\n\r\n"))
                        return;
                    auto* f = new QFile(file_, s);
                    if (!f->open(QIODevice::ReadOnly))
                        return;
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                             "Connection: close\r\nContent-Length: " +
                             QByteArray::number(f->size()) + "\r\n\r\n");
                    const auto pump = [s, f] {
                        while (s->bytesToWrite() < (qint64(4) << 20) && !f->atEnd())
                            s->write(f->read(qint64(1) << 20));
                        if (f->atEnd() && s->bytesToWrite() == 0)
                            s->disconnectFromHost();
                    };
                    connect(s, &QTcpSocket::bytesWritten, s, pump);
                    pump();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }

private:
    QString file_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qint64 mib = 256;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2)
        if (args.at(i) == QLatin1String("--mib"))
            mib = args.at(i + 1).toLongLong();
    QTemporaryDir dir;
    const QString site = dir.filePath(QStringLiteral("bk6.mp3"));
    // Records of 64 KiB of prose each, in the four tables, up to the size asked for.
    KnowledgeSources sources;
    QString prose;
    while (prose.size() < 32768)
        prose += QStringLiteral("发热恶寒，头项强痛，脉浮缓者，病在表也。");
    const qint64 records = std::max<qint64>(4, (mib << 20) / (qint64(prose.size()) * 3));
    for (qint64 i = 1; i <= records; ++i) {
        const SourceRecord r{i, QStringLiteral("条%1").arg(i), prose, QStringLiteral("病")};
        (i % 4 == 0   ? sources.An1
         : i % 4 == 1 ? sources.yao
         : i % 4 == 2 ? sources.bing
                      : sources.yishu1)
            .push_back(r);
    }
    WriteKnowledgeDb(sources, site, QStringLiteral("2008-06-01"));
    const double size = double(QFileInfo(site).size()) / double(1 << 20);

    // The check and copy alone, as the window's thread ran them.
    const QString copy = dir.filePath(QStringLiteral("copy.mp3"));
    QFile::copy(site, copy);
    QElapsedTimer clock;
    clock.start();
    const bool accepted = AcceptKnowledgeDb(copy);
    const qint64 checkMs = clock.elapsed();

    // The whole download through the download control, with the event loop watched.
    OneFileServer server(site);
    if (!server.listen(QHostAddress::LocalHost)) {
        std::fputs("cannot listen\n", stderr);
        return 1;
    }
    TransferLimits limits;
    limits.knowledgeDbBytes = qint64(8) << 30;
    SetLimits(limits);
    QDir().mkpath(dir.filePath(QStringLiteral("sound")));
    bkDLControl dl;
    dl.SourceAddress =
        QStringLiteral("http://127.0.0.1:%1/bak/cgzl2/bk6.mp3").arg(server.serverPort());
    dl.TargetFolder = dir.filePath(QStringLiteral("sound"));
    dl.check = AcceptKnowledgeDb;
    qint64 longest = 0, last = 0, fullAt = -1;
    QTimer tick;
    tick.setInterval(1);
    QElapsedTimer watch;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = watch.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QObject::connect(&dl, &bkDLControl::progress, [&](float fraction) {
        if (fraction >= 1.0f && fullAt < 0)
            fullAt = watch.elapsed();
    });
    QEventLoop loop;
    QObject::connect(&dl, &bkDLControl::completed, &loop, &QEventLoop::quit);
    watch.start();
    tick.start();
    dl.Start();
    loop.exec();
    const qint64 totalMs = watch.elapsed();
    std::printf("%.0f MiB database: check and copy %lld ms (%s); download control: whole file "
                "after %lld ms, done after %lld ms (%s), longest stall of the event loop %lld ms\n",
                size, static_cast<long long>(checkMs), accepted ? "accepted" : "refused",
                static_cast<long long>(fullAt), static_cast<long long>(totalMs),
                dl.succeeded() ? "stored" : "failed", static_cast<long long>(longest));
    return 0;
}
