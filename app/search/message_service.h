// Message boxes with the classic flag numbers, behind one replaceable service.
#pragma once

#include <QString>

namespace meridane {

namespace MsgFlags {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int YesNoStop = 20;
constexpr int OkExclamation = 48;
} // namespace MsgFlags

namespace MsgAnswer {
constexpr int Ok = 1;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MsgAnswer

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows prompt with the given flags and title; returns the answer (MsgAnswer).
    virtual int MsgBox(const QString& prompt, int flags, const QString& title) = 0;
};

// Writes "[TITLE] TEXT" to standard error and answers with the default button (OK or Yes).
class StderrMessages : public MessageService {
public:
    int MsgBox(const QString& prompt, int flags, const QString& title) override;
};

// The service in use; StderrMessages until another one is installed.
MessageService& Messages();
// Installs service (not owned); nullptr restores the standard error one.
void SetMessageService(MessageService* service);

inline const QString kProgramTitle = QStringLiteral("Meridane");

} // namespace meridane
