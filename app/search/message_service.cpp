#include "search/message_service.h"

#include <cstdio>

namespace meridane {

namespace {
MessageService* g_service = nullptr;
}

int StderrMessages::MsgBox(const QString& prompt, int flags, const QString& title) {
    const QByteArray line = ('[' + title + "] " + prompt + '\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    return (flags & 0xF) == MsgFlags::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

MessageService& Messages() {
    static StderrMessages fallback;
    return g_service ? *g_service : fallback;
}

void SetMessageService(MessageService* service) {
    g_service = service;
}

} // namespace meridane
