// Downloads over HTTP: a file transfer that replaces its target only when it succeeded, the
// download control of the main window, and the blocking download of the start-up check.
#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QFile;
class QNetworkAccessManager;

namespace meridane {

// How long the blocking download may take in all, and how long any transfer may go without
// receiving a byte before it counts as failed.
constexpr int kDownloadFileTimeoutMs = 4000;
constexpr int kStalledTransferMs = 30000;

// Checks a received file before it replaces the old one; false rejects it.
using FileCheck = std::function<bool(const QString& receivedFile)>;

// One transfer of url into target. The bytes go to a temporary file beside target, which
// replaces target only when the whole body arrived (HTTP 2xx, full length) and check passed.
class FileTransfer : public QObject {
    Q_OBJECT
public:
    FileTransfer(const QString& url, const QString& target, FileCheck check = {},
                 QObject* parent = nullptr);
    ~FileTransfer() override;

    void start();
    void abort(); // ends the transfer as failed
    bool running() const { return reply_ != nullptr; }
    bool succeeded() const { return succeeded_; }

signals:
    void progress(qint64 received, qint64 total);
    void finished(bool succeeded);

private:
    void onFinished();
    void fail();

    QString url_, target_, partial_;
    FileCheck check_;
    std::unique_ptr<QNetworkAccessManager> network_;
    std::unique_ptr<QFile> file_;
    QPointer<QNetworkReply> reply_;
    bool succeeded_ = false;
};

// Blocks until url is stored as localFile or the transfer failed (at most
// kDownloadFileTimeoutMs). An existing file is replaced only by a complete transfer.
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
    FileCheck check; // a received file must pass it to replace the old one

    // Starts the transfer; a transfer under way is not started twice.
    void Start();
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
