#include "services/download.h"

#include "services/file_replace.h"
#include "services/site.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace meridane {

namespace {

TransferLimits& LimitsInForce() {
    static TransferLimits limits;
    return limits;
}

// How much of a body may wait in memory before it is written out.
constexpr qint64 kReadBufferBytes = qint64(1) << 20;
constexpr int kMaxRedirects = 5;

// A redirect may lead to another path of the same site, never to another host or port, nor
// from https down to http.
bool SameSite(const QUrl& from, const QUrl& to) {
    const QString scheme = to.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    if (from.scheme().toLower() == QLatin1String("https") && scheme != QLatin1String("https"))
        return false;
    const auto port = [](const QUrl& u) {
        return u.port(u.scheme().toLower() == QLatin1String("https") ? 443 : 80);
    };
    return from.host().compare(to.host(), Qt::CaseInsensitive) == 0 && port(from) == port(to);
}

} // namespace

const TransferLimits& Limits() {
    return LimitsInForce();
}

void SetLimits(const TransferLimits& limits) {
    LimitsInForce() = limits;
}

FileTransfer::FileTransfer(const QString& url, const QString& target, TransferOptions options,
                           QObject* parent)
    : QObject(parent), url_(url), target_(target), partial_(target + QStringLiteral(".download")),
      options_(std::move(options)) {}

bool SettleReceivedFile(const QString& received, const QString& target,
                        const TransferOptions& options, const QByteArray& signature,
                        std::stop_token stop) {
    const bool signedWell =
        options.signedPath.isEmpty() ||
        VerifySiteFile(options.signedPath, received, signature, options.signatureKey, stop);
    if (!signedWell || (options.check && !options.check(received, stop)) || stop.stop_requested()) {
        QFile::remove(received);
        return false;
    }
    return ReplaceWith(received, target);
}

FileTransfer::~FileTransfer() {
    if (settler_.joinable()) {
        settler_.request_stop();
        settler_.join(); // its report, posted to this object, goes with it
    }
    if (!reply_)
        return;
    reply_->disconnect(this);
    reply_->abort();
    file_.reset();
    QFile::remove(partial_);
}

void FileTransfer::start(QDeadlineTimer deadline) {
    if (running())
        return;
    if (settler_.joinable())
        settler_.join();
    succeeded_ = false;
    failed_ = false;
    haveSignature_ = false;
    signature_.clear();
    deadline_ = deadline;
    QDir().mkpath(QFileInfo(partial_).path());
    file_ = std::make_unique<QFile>(partial_);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file_.reset();
        QTimer::singleShot(0, this, [this] { emit finished(false); });
        return;
    }
    network_ = std::make_unique<QNetworkAccessManager>();
    network_->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);

    const TransferLimits& limits = Limits();
    stallTimer_ = std::make_unique<QTimer>();
    stallTimer_->setInterval(limits.stallMs);
    connect(stallTimer_.get(), &QTimer::timeout, this, &FileTransfer::onStallTick);
    stallTimer_->start();
    if (!deadline_.isForever()) {
        deadlineTimer_ = std::make_unique<QTimer>();
        deadlineTimer_->setSingleShot(true);
        connect(deadlineTimer_.get(), &QTimer::timeout, this, &FileTransfer::abort);
        deadlineTimer_->start(std::max<qint64>(0, deadline_.remainingTime()));
    }
    if (fetchingSignature())
        get(url_ + QStringLiteral(".sig"), limits.signatureBytes);
    else
        get(url_, options_.maxBytes);
}

void FileTransfer::get(const QString& url, qint64 maxBytes) {
    received_ = 0;
    receivedAtTick_ = 0;
    maxBytes_ = maxBytes;
    QNetworkRequest request{QUrl(url)};
    // A connection that brings nothing at all ends after the stall time; a trickle is caught by
    // the stall timer.
    request.setTransferTimeout(Limits().stallMs);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    reply_ = network_->get(request);
    reply_->setReadBufferSize(kReadBufferBytes);
    QNetworkReply* reply = reply_;
    const QUrl from = request.url();
    connect(reply, &QNetworkReply::redirected, this, [this, reply, from](const QUrl& to) {
        if (SameSite(from, from.resolved(to)))
            emit reply->redirectAllowed();
        else
            abort();
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (maxBytes_ >= 0 && length.isValid() && length.toLongLong() > maxBytes_)
            abort();
    });
    connect(reply, &QNetworkReply::readyRead, this, &FileTransfer::onData);
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (!fetchingSignature() && !failed_)
            emit progress(received, total);
    });
    connect(reply, &QNetworkReply::finished, this, &FileTransfer::onFinished);
}

void FileTransfer::onData() {
    if (!reply_ || failed_)
        return;
    // Data that keeps arriving can keep the event loop from its timers: look at the clock here.
    if (deadline_.hasExpired()) {
        abort();
        return;
    }
    const QByteArray chunk = reply_->readAll();
    received_ += chunk.size();
    if (maxBytes_ >= 0 && received_ > maxBytes_) {
        abort();
        return;
    }
    if (fetchingSignature()) {
        signature_ += chunk;
        return;
    }
    if (file_->write(chunk) != chunk.size())
        abort();
}

void FileTransfer::onStallTick() {
    if (reply_ && received_ - receivedAtTick_ < Limits().stallMinBytes) {
        abort();
        return;
    }
    receivedAtTick_ = received_;
}

void FileTransfer::abort() {
    if (settling_) {
        failed_ = true;
        settler_.request_stop(); // its report follows
        return;
    }
    if (!reply_)
        return;
    failed_ = true;
    reply_->abort(); // finishes the reply, as failed
}

void FileTransfer::onFinished() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    if (!failed_ && reply->isOpen()) {
        reply_ = reply; // onData reads through reply_
        onData();
        reply_ = nullptr;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const qint64 expected = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    const bool complete = !failed_ && reply->error() == QNetworkReply::NoError && status >= 200 &&
                          status < 300 && (expected <= 0 || received_ == expected) &&
                          !deadline_.hasExpired();
    if (!complete) {
        fail();
        return;
    }
    if (fetchingSignature()) {
        haveSignature_ = true;
        get(url_, options_.maxBytes);
        return;
    }
    stallTimer_.reset();
    const bool written = file_->flush();
    file_->close();
    file_.reset();
    if (!written) {
        fail();
        return;
    }
    // Checking and copying a file of gigabytes takes a minute: the window goes on meanwhile, and
    // the deadline and an abort stop it.
    settling_ = true;
    settler_ = std::jthread([this, received = partial_, target = target_, options = options_,
                             signature = signature_](std::stop_token stop) {
        const bool replaced = SettleReceivedFile(received, target, options, signature, stop);
        QMetaObject::invokeMethod(
            this, [this, replaced] { onSettled(replaced); }, Qt::QueuedConnection);
    });
}

void FileTransfer::onSettled(bool replaced) {
    settling_ = false;
    settler_.join();
    deadlineTimer_.reset();
    if (!replaced) {
        fail();
        return;
    }
    // Once the file stands in place, the transfer has succeeded, even when an abort came too
    // late to stop it.
    succeeded_ = true;
    emit finished(true);
}

void FileTransfer::fail() {
    stallTimer_.reset();
    deadlineTimer_.reset();
    file_.reset();
    QFile::remove(partial_);
    emit finished(false);
}

bool DownloadFile(const QString& url, const QString& localFile, const TransferOptions& options,
                  QDeadlineTimer deadline) {
    FileTransfer transfer(url, localFile, options);
    QEventLoop loop;
    QObject::connect(&transfer, &FileTransfer::finished, &loop, &QEventLoop::quit);
    transfer.start(deadline);
    loop.exec(); // finished always arrives through the event loop
    return transfer.succeeded();
}

bool DownloadFile(const QString& url, const QString& localFile) {
    TransferOptions options;
    options.maxBytes = Limits().noticeDbBytes;
    return DownloadFile(url, localFile, options, QDeadlineTimer(Limits().startupCheckMs));
}

bkDLControl::bkDLControl(QObject* parent) : QObject(parent) {}

bkDLControl::~bkDLControl() = default;

void bkDLControl::Start() {
    if (transfer_ && transfer_->running())
        return;
    const QString name = QUrl(SourceAddress).fileName();
    TransferOptions o = options;
    if (check)
        o.check = check;
    transfer_ =
        std::make_unique<FileTransfer>(SourceAddress, TargetFolder + QLatin1Char('/') + name, o);
    connect(transfer_.get(), &FileTransfer::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            emit progress(float(double(received) / double(total)), received, total);
    });
    connect(transfer_.get(), &FileTransfer::finished, this,
            [this](bool ok) { emit completed(ok ? 0 : 1); });
    transfer_->start();
}

void bkDLControl::Cancel() {
    if (transfer_)
        transfer_->abort();
}

bool bkDLControl::running() const {
    return transfer_ && transfer_->running();
}

bool bkDLControl::succeeded() const {
    return transfer_ && transfer_->succeeded();
}

} // namespace meridane
