// Stand-ins for the desktop in tests of the windows: a player that plays nothing and a shell
// that records what it is asked to start or open.
#pragma once

#include "buttons/command.h"
#include "core/form_data.h"
#include "services/music.h"
#include "shell/shell_services.h"

#include <QStringList>
#include <QtTest>

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
    void OpenUrl(const QString& address, std::function<void()> failed) override {
        opened << address;
        if (openFails)
            failed();
    }
    void Beep() override { ++beeps; }
    QStringList started, opened;
    bool openFails = false; // as a desktop with no browser
    int beeps = 0;
};

// A button of a form as the program's forms have them: a Command of style 3 with the caption,
// font and extent of its stored data, no picture and no default, cancel or access key, shown
// and enabled, resting on its style's face. Check QTest::currentTestFailed() after it.
inline void VerifyStoredButton(const Command* button, const drapix::FormData& form,
                               const QString& caption) {
    const drapix::FormControl* stored = form.Control(button->objectName());
    QVERIFY2(stored, qPrintable(button->objectName()));
    QCOMPARE(stored->progId, QStringLiteral("Drapix.Command"));
    QCOMPARE(button->Caption(), caption);
    QCOMPARE(stored->bag.ReadProperty(QStringLiteral("Caption")).toString(), caption);
    QCOMPARE(button->按钮类型(), 3);
    QCOMPARE(button->Font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(button->Font().pointSizeF(), 8.25);
    QVERIFY(button->按钮上的图标().isNull());
    const int width = stored->bag.ReadProperty(QStringLiteral("_extentx"), 0).toInt();
    const int height = stored->bag.ReadProperty(QStringLiteral("_extenty"), 0).toInt();
    QCOMPARE(button->size(), QSize(width / 15, height / 15));
    QCOMPARE(height, 375);
    QVERIFY(!button->Default() && !button->Cancel() && button->按钮热键().isEmpty());
    QVERIFY(button->isVisible() && button->isEnabled());
    // Painted from its pictures: the resting face of its style, the chamfered outline.
    QCOMPARE(button->logic().facePicture(), QStringLiteral("Imgbut1"));
    QVERIFY(!button->logic().region().isEmpty());
}

} // namespace meridane::test
