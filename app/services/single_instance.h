// One running program per working folder: the first start holds the folder's lock and listens
// for later starts, which ask it to come to the front and end.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

namespace meridane {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // workFolder: the folder whose working copy the program uses.
    explicit SingleInstance(const QString& workFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process may run: it now holds the folder, or the folder cannot be locked
    // at all (a folder it may not write). False when a running program holds it; that program
    // has then been asked to come to the front. A lock left by a program that no longer runs
    // (a crash, a kill) is taken over.
    bool claim();
    // Gives the folder up, so that a program started now may claim it (the restart after an
    // online update).
    void release();
    bool holds() const { return holds_; }

    // The lock file and the local socket's name for a folder.
    static QString LockFilePath(const QString& workFolder);
    static QString ServerName(const QString& workFolder);

signals:
    // Another start asked for the running window.
    void activationRequested();

private:
    void listen();

    QString folder_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
    bool holds_ = false;
};

} // namespace meridane
