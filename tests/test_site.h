// A web site for tests: serves the files of a folder over HTTP on a thread of its own, and can
// be told to answer a path badly (hang, cut the body short, never end, drip, redirect).
#pragma once

#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

namespace meridane::test {

// How the test site answers a path.
enum class Serve {
    File,     // the file, whole
    Hang,     // accepted and never answered
    Truncate, // the full length announced and half of the body sent
    Endless,  // a body without a length that never ends, sent as fast as the socket takes it
    Drip,     // a long body announced, then one byte every dripMs
    Oversize, // a length far over any bound announced, then the file
    Redirect, // 302 to the address given with redirect()
};

struct SiteRules {
    QMutex mutex;
    QHash<QString, Serve> how;
    QHash<QString, QString> redirects;
    QStringList requested;
    int dripMs = 100;
};

// Serves the files of a folder, on a thread of its own as a real site would, so that what it
// sends does not wait for the program's event loop.
class SiteWorker : public QObject {
public:
    SiteWorker(const QString& root, SiteRules* rules) : root_(root), rules_(rules) {}

    quint16 listen(const QHostAddress& host) {
        server_ = new QTcpServer(this);
        QObject::connect(server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_->nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { answer(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        return server_->listen(host) ? server_->serverPort() : 0;
    }

private:
    void answer(QTcpSocket* s) {
        const QByteArray head = s->peek(8192);
        if (!head.contains("\r\n\r\n") || s->property("answered").toBool())
            return;
        s->setProperty("answered", true);
        s->readAll();
        const QString path = QString::fromLatin1(head.split(' ').value(1));
        Serve how;
        QString location;
        int dripMs;
        {
            QMutexLocker lock(&rules_->mutex);
            rules_->requested << path;
            how = rules_->how.value(path, Serve::File);
            location = rules_->redirects.value(path);
            dripMs = rules_->dripMs;
        }
        switch (how) {
        case Serve::Hang:
            return;
        case Serve::Redirect:
            s->write("HTTP/1.1 302 Found\r\nLocation: " + location.toLatin1() +
                     "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            s->disconnectFromHost();
            return;
        case Serve::Endless: {
            s->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                     "Connection: close\r\n\r\n");
            const auto pump = [s] {
                static const QByteArray chunk(1 << 20, 'x');
                while (s->state() == QAbstractSocket::ConnectedState &&
                       s->bytesToWrite() < (4 << 20))
                    s->write(chunk);
            };
            QObject::connect(s, &QTcpSocket::bytesWritten, s, pump);
            pump();
            return;
        }
        case Serve::Drip: {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\nConnection: close\r\n\r\n");
            auto* timer = new QTimer(s);
            QObject::connect(timer, &QTimer::timeout, s, [s] { s->write("x"); });
            timer->start(dripMs);
            return;
        }
        default:
            break;
        }
        QFile f(root_ + path);
        if (!f.open(QIODevice::ReadOnly)) {
            s->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot "
                     "found");
        } else {
            const QByteArray body = f.readAll();
            const QByteArray length = how == Serve::Oversize ? QByteArray("99999999999")
                                                             : QByteArray::number(body.size());
            s->write(
                "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                length + "\r\nConnection: close\r\n\r\n");
            s->write(how == Serve::Truncate ? body.left(body.size() / 2) : body);
        }
        s->flush();
        s->disconnectFromHost();
    }

    QString root_;
    SiteRules* rules_;
    QTcpServer* server_ = nullptr;
};

class SiteServer {
public:
    explicit SiteServer(const QString& root,
                        const QHostAddress& host = QHostAddress(QHostAddress::LocalHost))
        : host_(host) {
        thread_.start();
        worker_ = new SiteWorker(root, &rules_);
        worker_->moveToThread(&thread_);
        QMetaObject::invokeMethod(
            worker_, [&] { port_ = worker_->listen(host); }, Qt::BlockingQueuedConnection);
        if (port_ == 0)
            qFatal("cannot listen on %s", qPrintable(host.toString()));
    }
    ~SiteServer() {
        QMetaObject::invokeMethod(
            worker_, [w = worker_] { delete w; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    QString address() const {
        return QStringLiteral("http://%1:%2").arg(host_.toString()).arg(port_);
    }
    void serve(const QString& path, Serve how) {
        QMutexLocker lock(&rules_.mutex);
        rules_.how[path] = how;
    }
    void redirect(const QString& path, const QString& to) {
        QMutexLocker lock(&rules_.mutex);
        rules_.how[path] = Serve::Redirect;
        rules_.redirects[path] = to;
    }
    void reset() {
        QMutexLocker lock(&rules_.mutex);
        rules_.how.clear();
        rules_.redirects.clear();
    }
    void setDripMs(int ms) {
        QMutexLocker lock(&rules_.mutex);
        rules_.dripMs = ms;
    }
    QStringList requested() {
        QMutexLocker lock(&rules_.mutex);
        return rules_.requested;
    }

private:
    QHostAddress host_;
    SiteRules rules_;
    QThread thread_;
    SiteWorker* worker_ = nullptr;
    quint16 port_ = 0;
};

} // namespace meridane::test
