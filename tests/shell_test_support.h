// Stand-ins for the desktop in tests of the windows: a player that plays nothing and a shell
// that records what it is asked to start or open.
#pragma once

#include "services/music.h"
#include "shell/shell_services.h"

#include <QStringList>

namespace meridane::test {

class SilentDevice : public MciDevice {
public:
    void setNotify(bool) override {}
    void setWait(bool) override {}
    void setShareable(bool) override {}
    void setDeviceType(const QString&) override {}
    void setFileName(const QString&) override {}
    void command(const QString&) override {}
    int mode() const override { return kNotOpen; }
};

class RecordingShell : public ShellServices {
public:
    RecordingShell() { SetShellServices(this); }
    ~RecordingShell() override { SetShellServices(nullptr); }
    bool StartProgram(const QString& program, const QStringList&) override {
        started << program;
        return true;
    }
    void OpenUrl(const QString& address) override { opened << address; }
    void Beep() override { ++beeps; }
    QStringList started, opened;
    int beeps = 0;
};

} // namespace meridane::test
