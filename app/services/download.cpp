#include "services/download.h"

#include "services/file_replace.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace meridane {

FileTransfer::FileTransfer(const QString& url, const QString& target, FileCheck check,
                           QObject* parent)
    : QObject(parent), url_(url), target_(target), partial_(target + QStringLiteral(".download")),
      check_(std::move(check)) {}

FileTransfer::~FileTransfer() {
    if (!reply_)
        return;
    reply_->disconnect(this);
    reply_->abort();
    file_.reset();
    QFile::remove(partial_);
}

void FileTransfer::start() {
    if (running())
        return;
    succeeded_ = false;
    QDir().mkpath(QFileInfo(partial_).path());
    file_ = std::make_unique<QFile>(partial_);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file_.reset();
        QTimer::singleShot(0, this, [this] { emit finished(false); });
        return;
    }
    network_ = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request{QUrl(url_)};
    request.setTransferTimeout(kStalledTransferMs);
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::readyRead, this, [this] { file_->write(reply_->readAll()); });
    connect(reply_, &QNetworkReply::downloadProgress, this, &FileTransfer::progress);
    connect(reply_, &QNetworkReply::finished, this, &FileTransfer::onFinished);
}

void FileTransfer::abort() {
    if (reply_)
        reply_->abort(); // finishes the reply, as failed
}

void FileTransfer::onFinished() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    if (reply->isOpen())
        file_->write(reply->readAll());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const qint64 expected = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    const bool complete = reply->error() == QNetworkReply::NoError && status >= 200 &&
                          status < 300 && (expected <= 0 || file_->size() == expected);
    const bool written = file_->flush();
    file_->close();
    file_.reset();
    if (!complete || !written || (check_ && !check_(partial_))) {
        fail();
        return;
    }
    if (!ReplaceWith(partial_, target_)) {
        emit finished(false);
        return;
    }
    succeeded_ = true;
    emit finished(true);
}

void FileTransfer::fail() {
    QFile::remove(partial_);
    emit finished(false);
}

bool DownloadFile(const QString& url, const QString& localFile) {
    FileTransfer transfer(url, localFile);
    QEventLoop loop;
    QObject::connect(&transfer, &FileTransfer::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &transfer, &FileTransfer::abort);
    transfer.start();
    deadline.start(kDownloadFileTimeoutMs);
    loop.exec(); // finished always arrives through the event loop
    return transfer.succeeded();
}

bkDLControl::bkDLControl(QObject* parent) : QObject(parent) {}

bkDLControl::~bkDLControl() = default;

void bkDLControl::Start() {
    if (transfer_ && transfer_->running())
        return;
    const QString name = QUrl(SourceAddress).fileName();
    transfer_ = std::make_unique<FileTransfer>(SourceAddress,
                                               TargetFolder + QLatin1Char('/') + name, check);
    connect(transfer_.get(), &FileTransfer::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            emit progress(float(double(received) / double(total)), received, total);
    });
    connect(transfer_.get(), &FileTransfer::finished, this,
            [this](bool ok) { emit completed(ok ? 0 : 1); });
    transfer_->start();
}

bool bkDLControl::succeeded() const {
    return transfer_ && transfer_->succeeded();
}

} // namespace meridane
