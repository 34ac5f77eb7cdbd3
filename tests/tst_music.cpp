// The music device on the real media player: commands never wait in an event loop of their own,
// so a click on "关闭音乐" or the end of the window can only come between two commands, also
// while a track is still being opened.
#include "services/media_player_device.h"
#include "services/music.h"

#include <QFile>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace meridane;

namespace {

// How long a loaded machine may take the media framework to open a track (a wait, not a limit
// the program must meet).
constexpr int kLoadMs = 60000;

QString Track(int n) {
    return QStringLiteral(MERIDANE_FOLDER "/sound/bk%1.mp3").arg(n);
}

} // namespace

class MusicTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        for (int n = 1; n <= 5; ++n)
            QVERIFY2(QFile::exists(Track(n)), qPrintable(Track(n)));
    }

    // "play" sent while the track is still being opened starts it once it is loaded.
    void playStartsWhenTheTrackIsLoaded() {
        MediaPlayerDevice device;
        device.setFileName(Track(2));
        device.command(QStringLiteral("open"));
        device.command(QStringLiteral("play"));
        QCOMPARE(device.mode(), MciDevice::kPlaying);
        QTRY_VERIFY_WITH_TIMEOUT(device.playing(), kLoadMs);
        QCOMPARE(device.mode(), MciDevice::kPlaying);
        device.command(QStringLiteral("close"));
        QCOMPARE(device.mode(), MciDevice::kNotOpen);
        QVERIFY(!device.playing());
    }

    // A click on "关闭音乐" that arrives while the first track is being opened runs after the
    // start of the music, and the track that was being opened never plays.
    void clickWhileOpening() {
        MediaPlayerDevice device;
        BackgroundMusic music(device, Track);
        bool starting = false, ran = false, ranDuringStart = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            ranDuringStart = starting;
            music.Command5Click();
        });
        starting = true;
        music.playmusic();
        starting = false;
        QVERIFY(!ranDuringStart);
        QTRY_VERIFY_WITH_TIMEOUT(ran, kLoadMs);
        QCOMPARE(music.command5Caption, kMusicOn);
        QCOMPARE(device.mode(), MciDevice::kNotOpen);
        QTest::qWait(1500);
        QCOMPARE(device.mode(), MciDevice::kNotOpen);
        QVERIFY(!device.playing());
        music.Timer1Tick(); // the watch leaves a closed player alone
        QCOMPARE(device.mode(), MciDevice::kNotOpen);
        // Switched on again, the music starts from track 1.
        music.Command5Click();
        QCOMPARE(music.command5Caption, kMusicOff);
        QCOMPARE(music.track(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(device.playing(), kLoadMs);
        // Two clicks while the track is being opened: on again, from track 1.
        music.Command5Click();
        music.Command5Click();
        QTRY_VERIFY_WITH_TIMEOUT(device.playing(), kLoadMs);
        QCOMPARE(music.command5Caption, kMusicOff);
    }

    // The window's end (its music and player destroyed) while a track is being opened.
    void teardownWhileOpening() {
        auto device = std::make_unique<MediaPlayerDevice>();
        auto music = std::make_unique<BackgroundMusic>(*device, Track);
        bool starting = false, ranDuringStart = false, ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            ranDuringStart = starting;
            device->command(QStringLiteral("close")); // what the window's close does
            music.reset();
            device.reset();
        });
        starting = true;
        music->playmusic();
        starting = false;
        QVERIFY(!ranDuringStart);
        QTRY_VERIFY_WITH_TIMEOUT(ran, kLoadMs);
        // The media framework's late signals find nothing to call.
        QTest::qWait(1500);

        // Destroyed without a close, right after an open.
        device = std::make_unique<MediaPlayerDevice>();
        device->setFileName(Track(3));
        device->command(QStringLiteral("open"));
        device->command(QStringLiteral("play"));
        device.reset();
        QTest::qWait(1000);
    }

    // A file that cannot be played leaves the device not open once the player has looked at
    // it; a "play" sent meanwhile is forgotten.
    void unplayableFile() {
        QTemporaryDir dir;
        const QString junk = dir.path() + QStringLiteral("/junk.mp3");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        MediaPlayerDevice device;
        device.setFileName(junk);
        device.command(QStringLiteral("open"));
        device.command(QStringLiteral("play"));
        QTRY_COMPARE_WITH_TIMEOUT(device.mode(), MciDevice::kNotOpen, kLoadMs);
        QVERIFY(!device.playing());
        // The next open loads its file (whether this machine's sound output then plays it is
        // the media framework's business: a failure there counts as the end of the track).
        device.setFileName(Track(1));
        device.command(QStringLiteral("open"));
        device.command(QStringLiteral("play"));
        QTRY_VERIFY_WITH_TIMEOUT(!device.opening(), kLoadMs);
        QVERIFY(device.mode() != MciDevice::kNotOpen);
    }
};

QTEST_GUILESS_MAIN(MusicTest)
#include "tst_music.moc"
