// Downloads over HTTP: a file transfer that replaces its target only when it succeeded, the
// download control of the main window, and the blocking download of the start-up check.
#pragma once

#include <QDeadlineTimer>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

class QFile;
class QNetworkAccessManager;
class QTimer;

namespace meridane {

// The bounds every transfer from the site keeps, whatever the site sends.
struct TransferLimits {
    // The whole start-up check: download, signature and reads.
    int startupCheckMs = 5000;
    // Within any stallMs, fewer than stallMinBytes arrived: the transfer has stalled.
    int stallMs = 30000;
    qint64 stallMinBytes = 4096;
    qint64 noticeDbBytes = qint64(4) << 20;    // sys/cabe.dll
    qint64 knowledgeDbBytes = qint64(4) << 30; // sound/bk6.mp3
    qint64 signatureBytes = 1024;              // a .sig file
};

// The limits in force: the values above unless a test replaced them.
const TransferLimits& Limits();
void SetLimits(const TransferLimits& limits);

// Checks a received file before it replaces the old one; false rejects it. The check may
// rewrite the received file (a clean copy of what it holds). It runs off the window's thread;
// once stop is requested (the transfer was aborted) it should give up soon and return false.
using FileCheck = std::function<bool(const QString& receivedFile, std::stop_token stop)>;

// What a transfer accepts.
struct TransferOptions {
    qint64 maxBytes = -1; // a larger body fails; -1: no bound
    FileCheck check;
    // When not empty: the file's signature is fetched first from the same address plus ".sig",
    // and the file must be the site file at this path, signed with signatureKey.
    QString signedPath;
    QByteArray signatureKey;
};

// What follows the arrival of a whole body in received: its signature (when options ask for
// one), options' check, and the replacement of target. True when target was replaced; false,
// with received removed and target untouched, when a step failed or stop was requested before
// the replacement. Takes as long as the file is large: run it off the window's thread.
bool SettleReceivedFile(const QString& received, const QString& target,
                        const TransferOptions& options, const QByteArray& signature,
                        std::stop_token stop = {});

// One transfer of url into target. The bytes go to a temporary file beside target, which
// replaces target only when the whole body arrived (HTTP 2xx, full length, within maxBytes),
// its signature holds (when asked for) and check passed. Redirects are followed only to the
// same host and port; a transfer fails when it stalls (see TransferLimits) or is aborted.
// The signature, the check and the replacement run on a thread of their own (the event loop
// goes on meanwhile, and an abort stops them); the transfer is running until they are done.
class FileTransfer : public QObject {
    Q_OBJECT
public:
    FileTransfer(const QString& url, const QString& target, TransferOptions options = {},
                 QObject* parent = nullptr);
    ~FileTransfer() override;

    // deadline: the transfer fails when it has not ended by then.
    void start(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    void abort(); // ends the transfer as failed (once what is under way has stopped)
    bool running() const { return reply_ != nullptr || settling_; }
    bool succeeded() const { return succeeded_; }

signals:
    // Of the file itself, not of its signature.
    void progress(qint64 received, qint64 total);
    void finished(bool succeeded);

private:
    void get(const QString& url, qint64 maxBytes);
    void onData();
    void onFinished();
    void onStallTick();
    void onSettled(bool replaced);
    void fail();
    bool fetchingSignature() const { return !options_.signedPath.isEmpty() && !haveSignature_; }

    QString url_, target_, partial_;
    TransferOptions options_;
    QDeadlineTimer deadline_;
    std::unique_ptr<QNetworkAccessManager> network_;
    std::unique_ptr<QFile> file_;
    std::unique_ptr<QTimer> stallTimer_, deadlineTimer_;
    QPointer<QNetworkReply> reply_;
    QByteArray signature_;
    bool haveSignature_ = false;
    qint64 received_ = 0, receivedAtTick_ = 0, maxBytes_ = -1;
    bool failed_ = false;
    bool succeeded_ = false;
    bool settling_ = false; // the settling thread has not reported yet
    std::jthread settler_;
};

// Blocks until url is stored as localFile or the transfer failed. An existing file is replaced
// only by a complete transfer that passed options' checks; the transfer ends by deadline.
bool DownloadFile(const QString& url, const QString& localFile, const TransferOptions& options,
                  QDeadlineTimer deadline);
// The same, within the start-up check's time and the update database's size.
bool DownloadFile(const QString& url, const QString& localFile);

// The main window's download control: stores the file found at the source address in the
// target folder under the address's last segment.
class bkDLControl : public QObject {
    Q_OBJECT
public:
    explicit bkDLControl(QObject* parent = nullptr);
    ~bkDLControl() override;

    QString SourceAddress;
    QString TargetFolder;
    FileCheck check;         // a received file must pass it to replace the old one
    TransferOptions options; // bounds and signature; its check is replaced by check

    // Starts the transfer; a transfer under way is not started twice.
    void Start();
    // Ends a transfer under way as failed (its completion event follows).
    void Cancel();
    bool running() const;
    // Whether the last transfer stored its file.
    bool succeeded() const;

signals:
    // fraction: 0 to 1 of the transfer done.
    void progress(float fraction, qint64 received, qint64 total);
    // Once, when the transfer has ended, whether or not it succeeded.
    void completed(int status);

private:
    std::unique_ptr<FileTransfer> transfer_;
};

} // namespace meridane
