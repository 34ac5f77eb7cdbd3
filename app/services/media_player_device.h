// The music device on QMediaPlayer: MP3 through the system's media framework.
#pragma once

#include "services/music.h"

#include <QObject>

#include <memory>

class QMediaPlayer;
class QAudioOutput;

namespace meridane {

// "open" hands the file to a new player and returns at once; the device then follows the
// player's signals. Nothing here waits in an event loop of its own, so no click, timer or
// close of a window can run in the middle of a command. While the file is being opened the
// device reports playing (the music's timer leaves it alone), and a "play" sent then starts the
// track once it is loaded. A file that turns out unplayable leaves the device not open (524), as
// does a "close" sent at any time, also while an open is pending.
class MediaPlayerDevice : public MciDevice {
public:
    MediaPlayerDevice();
    ~MediaPlayerDevice() override;

    void setNotify(bool) override {}
    // Commands take effect in the order they are sent whether or not the caller waits; nothing
    // blocks.
    void setWait(bool) override {}
    void setShareable(bool) override {}
    void setDeviceType(const QString&) override {}
    void setFileName(const QString& file) override { file_ = file; }
    void command(const QString& command) override;
    int mode() const override;

    // True while a track is actually being played (not while it is still being opened).
    bool playing() const;
    // True from "open" until the player has loaded the file or failed to.
    bool opening() const { return state_ == State::Opening; }

private:
    enum class State { NotOpen, Opening, Open };

    void open();
    void close();
    void settle(); // the player has loaded the file, or failed to

    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
    QString file_;
    State state_ = State::NotOpen;
    bool playWhenOpen_ = false;
    bool failed_ = false; // the current source reported an error
};

} // namespace meridane
