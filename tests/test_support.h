// Helpers shared by the tests: a scripted message service and throwaway program folders.
#pragma once

#include "builddb/source_records.h"
#include "search/message_service.h"

#include <QList>
#include <QTemporaryDir>

namespace meridane::test {

struct ShownMessage {
    QString prompt;
    int flags;
    QString title;
    bool operator==(const ShownMessage&) const = default;
};

// Records every message box and answers from a queue (OK or Yes when the queue is empty).
class ScriptedMessages : public MessageService {
public:
    ScriptedMessages() { SetMessageService(this); }
    ~ScriptedMessages() override { SetMessageService(nullptr); }
    int MsgBox(const QString& prompt, int flags, const QString& title) override;
    qsizetype count(const QString& prompt) const;

    QList<ShownMessage> shown;
    QList<int> answers;
};

SourceRecord Rec(qint64 number, const QString& title, const QString& text,
                 const QString& keywords = {});

// A program folder in a temporary directory with both databases and the working copy made,
// set as the program folder of the process.
class TempProgramFolder {
public:
    explicit TempProgramFolder(const KnowledgeSources& sources,
                               const std::vector<SourceRecord>& notes = {});
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// The bytes of a file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);
// Writes a file whole, making its folder first; a file that cannot be written fails the test.
void WriteFile(const QString& path, const QByteArray& bytes);

// ../shared/data/classics beside the project, or an empty string when it is not there.
QString ClassicsFolder();
// tests/data/classics-sample: a few records of our own in the same form, always there.
QString SampleClassicsFolder();

// Makes a file impossible to write for as long as it lives, also for the superuser (through
// the file system's immutable flag). Ask unwritable() before relying on it.
class UnwritableFile {
public:
    explicit UnwritableFile(const QString& path);
    ~UnwritableFile();
    UnwritableFile(const UnwritableFile&) = delete;
    UnwritableFile& operator=(const UnwritableFile&) = delete;
    bool unwritable() const;

private:
    QString path_;
    bool immutable_ = false;
};

} // namespace meridane::test
