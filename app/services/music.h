// Background music: five tracks in an endless cycle, watched by a five-second timer.
#pragma once

#include <QString>

#include <functional>

namespace meridane {

// A media device with the modes of the classic multimedia control.
class MciDevice {
public:
    static constexpr int kNotOpen = 524;
    static constexpr int kStopped = 525; // played to its end
    static constexpr int kPlaying = 526;

    virtual ~MciDevice() = default;
    virtual void setNotify(bool on) = 0;
    virtual void setWait(bool on) = 0;
    virtual void setShareable(bool on) = 0;
    virtual void setDeviceType(const QString& type) = 0;
    virtual void setFileName(const QString& file) = 0;
    // "open", "play" or "close"; failures are not reported (a failed open stays not open).
    virtual void command(const QString& command) = 0;
    virtual int mode() const = 0;
};

inline const QString kMusicOff = QStringLiteral("关闭音乐"); // caption while music is on
inline const QString kMusicOn = QStringLiteral("播放音乐");  // caption while music is off

class BackgroundMusic {
public:
    BackgroundMusic(MciDevice& device, std::function<QString(int track)> trackFile)
        : device_(device), trackFile_(std::move(trackFile)) {}

    void playmusic();     // (re)starts the cycle at track 1
    void Timer1Tick();    // moves on when the current track has ended
    void Command5Click(); // switches the music off and on

    int track() const { return track_; }
    QString command5Caption = kMusicOff;

private:
    void openAndPlay();

    MciDevice& device_;
    std::function<QString(int)> trackFile_;
    int track_ = 1;
};

} // namespace meridane
