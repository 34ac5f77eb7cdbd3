#include "services/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace meridane {

namespace {

constexpr int kAskMs = 2000;
const QByteArray kActivate = QByteArrayLiteral("activate\n");

} // namespace

SingleInstance::SingleInstance(const QString& workFolder, QObject* parent)
    : QObject(parent), folder_(workFolder), lock_(LockFilePath(workFolder)) {
    // Only a lock whose holder no longer runs is stale: a program may run for weeks.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    release();
}

QString SingleInstance::LockFilePath(const QString& workFolder) {
    return workFolder + QStringLiteral("/meridane.lock");
}

QString SingleInstance::ServerName(const QString& workFolder) {
    const QString canonical = QDir(workFolder).canonicalPath();
    const QByteArray hash =
        QCryptographicHash::hash((canonical.isEmpty() ? workFolder : canonical).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    return QStringLiteral("meridane-") + QString::fromLatin1(hash);
}

bool SingleInstance::claim() {
    if (holds_)
        return true;
    if (lock_.tryLock(0)) {
        holds_ = true;
        listen();
        return true;
    }
    if (lock_.error() != QLockFile::LockFailedError)
        return true; // the folder cannot hold a lock: nothing to share it with either
    QLocalSocket socket;
    socket.connectToServer(ServerName(folder_));
    if (socket.waitForConnected(kAskMs)) {
        socket.write(kActivate);
        socket.waitForBytesWritten(kAskMs);
        socket.disconnectFromServer();
    }
    return false;
}

void SingleInstance::listen() {
    const QString name = ServerName(folder_);
    // A socket left by a program that ended without closing it; the lock says none runs.
    QLocalServer::removeServer(name);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kActivate.trimmed()))
                    emit activationRequested();
            });
        }
    });
    server_->listen(name);
}

void SingleInstance::release() {
    if (server_) {
        server_->close();
        delete server_;
        server_ = nullptr;
    }
    if (holds_) {
        lock_.unlock();
        holds_ = false;
    }
}

} // namespace meridane
