#include "services/music.h"

namespace meridane {

void BackgroundMusic::openAndPlay() {
    device_.setDeviceType(QStringLiteral("mpegvideo"));
    device_.setFileName(trackFile_(track_));
    device_.command(QStringLiteral("open"));
    device_.command(QStringLiteral("play"));
}

void BackgroundMusic::playmusic() {
    device_.setNotify(false);
    device_.setWait(true);
    device_.setShareable(false);
    track_ = 1;
    if (device_.mode() != MciDevice::kNotOpen)
        device_.command(QStringLiteral("close"));
    openAndPlay();
}

void BackgroundMusic::Timer1Tick() {
    if (device_.mode() != MciDevice::kStopped)
        return;
    device_.command(QStringLiteral("close"));
    if (++track_ > 5)
        track_ = 1;
    openAndPlay();
}

void BackgroundMusic::Command5Click() {
    if (command5Caption == kMusicOff) {
        command5Caption = kMusicOn;
        device_.command(QStringLiteral("close"));
    } else if (command5Caption == kMusicOn) {
        command5Caption = kMusicOff;
        playmusic();
    }
}

} // namespace meridane
