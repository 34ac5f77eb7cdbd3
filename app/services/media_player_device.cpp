#include "services/media_player_device.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace meridane {

namespace {
bool Settled(QMediaPlayer::MediaStatus s) {
    return s != QMediaPlayer::LoadingMedia && s != QMediaPlayer::NoMedia;
}
} // namespace

MediaPlayerDevice::MediaPlayerDevice() : output_(std::make_unique<QAudioOutput>()) {}

MediaPlayerDevice::~MediaPlayerDevice() {
    close();
}

void MediaPlayerDevice::command(const QString& command) {
    if (command == QLatin1String("open")) {
        open();
    } else if (command == QLatin1String("play")) {
        if (state_ == State::Open)
            player_->play();
        else if (state_ == State::Opening)
            playWhenOpen_ = true;
    } else if (command == QLatin1String("close")) {
        close();
    }
}

void MediaPlayerDevice::open() {
    close();
    if (!QFileInfo(file_).isFile())
        return;
    // Every open gets a player of its own, as a device is opened afresh: a player that has
    // failed on one source keeps failing on the next.
    failed_ = false;
    state_ = State::Opening;
    player_ = std::make_unique<QMediaPlayer>();
    player_->setAudioOutput(output_.get());
    QMediaPlayer* player = player_.get();
    QObject::connect(player, &QMediaPlayer::errorOccurred, player, [this](QMediaPlayer::Error e) {
        failed_ = e != QMediaPlayer::NoError;
        if (failed_ && state_ == State::Opening)
            settle();
    });
    QObject::connect(player, &QMediaPlayer::mediaStatusChanged, player,
                     [this](QMediaPlayer::MediaStatus s) {
                         if (state_ == State::Opening && Settled(s))
                             settle();
                     });
    player->setSource(QUrl::fromLocalFile(file_));
}

void MediaPlayerDevice::settle() {
    const QMediaPlayer::MediaStatus s = player_->mediaStatus();
    if (failed_ || s == QMediaPlayer::InvalidMedia || s == QMediaPlayer::NoMedia) {
        // The player stays until the next command: this runs inside one of its signals.
        player_->disconnect();
        state_ = State::NotOpen;
        playWhenOpen_ = false;
        return;
    }
    state_ = State::Open;
    if (playWhenOpen_) {
        playWhenOpen_ = false;
        player_->play();
    }
}

void MediaPlayerDevice::close() {
    if (player_) {
        player_->disconnect();
        player_->stop();
        player_.reset();
    }
    state_ = State::NotOpen;
    playWhenOpen_ = false;
}

int MediaPlayerDevice::mode() const {
    switch (state_) {
    case State::NotOpen:
        return kNotOpen;
    case State::Opening:
        return kPlaying;
    case State::Open:
        break;
    }
    if (player_->mediaStatus() == QMediaPlayer::EndOfMedia || failed_)
        return kStopped;
    return kPlaying;
}

bool MediaPlayerDevice::playing() const {
    return state_ == State::Open && player_->playbackState() == QMediaPlayer::PlayingState;
}

} // namespace meridane
