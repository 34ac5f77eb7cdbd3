// The music device on QMediaPlayer: MP3 through the system's media framework.
#pragma once

#include "services/music.h"

#include <QObject>

#include <memory>

class QMediaPlayer;
class QAudioOutput;

namespace meridane {

class MediaPlayerDevice : public MciDevice {
public:
    MediaPlayerDevice();
    ~MediaPlayerDevice() override;

    void setNotify(bool) override {}
    void setWait(bool on) override { wait_ = on; }
    void setShareable(bool) override {}
    void setDeviceType(const QString&) override {}
    void setFileName(const QString& file) override { file_ = file; }
    void command(const QString& command) override;
    int mode() const override;

private:
    void open();
    void close();

    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
    QString file_;
    bool wait_ = true;
    bool open_ = false;
    bool failed_ = false; // the current source reported an error
};

} // namespace meridane
