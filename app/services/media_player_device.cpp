#include "services/media_player_device.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

namespace meridane {

namespace {
constexpr int kOpenTimeoutMs = 3000;

bool Settled(QMediaPlayer::MediaStatus s) {
    return s != QMediaPlayer::LoadingMedia && s != QMediaPlayer::NoMedia;
}
} // namespace

MediaPlayerDevice::MediaPlayerDevice() : output_(std::make_unique<QAudioOutput>()) {}

MediaPlayerDevice::~MediaPlayerDevice() = default;

void MediaPlayerDevice::command(const QString& command) {
    if (command == QLatin1String("open"))
        open();
    else if (command == QLatin1String("play") && open_)
        player_->play();
    else if (command == QLatin1String("close"))
        close();
}

void MediaPlayerDevice::open() {
    close();
    if (!QFileInfo(file_).isFile())
        return;
    // Every open gets a player of its own, as a device is opened afresh: a player that has
    // failed on one source keeps failing on the next.
    failed_ = false;
    player_ = std::make_unique<QMediaPlayer>();
    player_->setAudioOutput(output_.get());
    QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, player_.get(),
                     [this](QMediaPlayer::Error e) { failed_ = e != QMediaPlayer::NoError; });
    bool settled = false;
    QEventLoop loop;
    const auto done = [&] {
        settled = true;
        loop.quit();
    };
    QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, &loop,
                     [done](QMediaPlayer::MediaStatus s) {
                         if (Settled(s))
                             done();
                     });
    QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, &loop, done);
    player_->setSource(QUrl::fromLocalFile(file_));
    if (wait_ && !settled) {
        QTimer::singleShot(kOpenTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const QMediaPlayer::MediaStatus s = player_->mediaStatus();
    open_ = !failed_ && s != QMediaPlayer::InvalidMedia && s != QMediaPlayer::NoMedia;
    if (!open_)
        close();
}

void MediaPlayerDevice::close() {
    if (player_) {
        player_->stop();
        player_.reset();
    }
    open_ = false;
}

int MediaPlayerDevice::mode() const {
    if (!open_)
        return kNotOpen;
    if (player_->mediaStatus() == QMediaPlayer::EndOfMedia || failed_)
        return kStopped;
    return kPlaying;
}

} // namespace meridane
