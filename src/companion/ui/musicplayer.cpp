#include "companion/ui/musicplayer.h"

#include "companion/ui/frmplaylist.h"
#include "storage/librarycontext.h"

#include <QActionGroup>
#include <QAudio>
#include <QAudioOutput>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace {

// Long enough to read that a track could not be played before the next one is named.
constexpr int kFailureNoteMs = 1000;
constexpr int kLyricTickMs = 250;

} // namespace

MusicPlayer::MusicPlayer(LibraryContext& library, QWidget* window)
    : QObject(window)
    , m_library(library)
    , m_window(window) {
    setObjectName(QStringLiteral("MediaPlayer1"));
    m_list.load(m_library.folder().file(PlayList::fileName()));

    m_lyricTimer = new QTimer(this);
    m_lyricTimer->setInterval(kLyricTickMs);
    connect(m_lyricTimer, &QTimer::timeout, this, &MusicPlayer::showLyric);

    m_lblMusic = new QLabel(window);
    m_lblMusic->setObjectName(QStringLiteral("lblMusic"));

    m_mnuMusic = new QMenu(tr("音乐(&M)"), window);
    m_mnuMusic->setObjectName(QStringLiteral("mnuMusic"));
    addAction("mnuMusicOpen", tr("播放列表(&O)"), &MusicPlayer::mnuMusicOpen);
    m_mnuMusic->addSeparator();
    m_needList << addAction("mnuMusicPlay", tr("播放(&P)"), &MusicPlayer::mnuMusicPlay);
    m_mnuMusicPause = addAction("mnuMusicPause", tr("暂停"), &MusicPlayer::mnuMusicPause);
    m_needList << m_mnuMusicPause << addAction("mnuMusicStop", tr("停止(&S)"), &MusicPlayer::mnuMusicStop);
    m_mnuMusic->addSeparator();
    m_needList << addAction("mnuMusicPrev", tr("上一首"), &MusicPlayer::mnuMusicPrev)
               << addAction("mnuMusicNext", tr("下一首"), &MusicPlayer::mnuMusicNext);
    m_mnuMusic->addSeparator();
    auto* volumes = new QActionGroup(m_mnuMusic);
    const QStringList captions{tr("最大"), tr("较大"), tr("中"), tr("较小"), tr("最小")};
    for (int i = 0; i < captions.size(); ++i) {
        QAction* action = m_mnuMusic->addAction(captions.at(i));
        action->setObjectName(QStringLiteral("mnuMusicVol%1").arg(i + 1));
        action->setCheckable(true);
        action->setChecked(i == 0);
        volumes->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { setVolume(-400 * i); });
    }
    enableActions();
}

MusicPlayer::~MusicPlayer() {
    // No end-of-track handling while the player goes away with the window.
    m_sequence.stop();
    if (m_player)
        m_player->disconnect(this);
}

QMediaPlayer* MusicPlayer::player() {
    // Made on the first song: the media back end costs start-up time that most sessions never use.
    if (m_player)
        return m_player;
    m_player = new QMediaPlayer(this);
    m_audio = new QAudioOutput(this);
    m_audio->setVolume(linearVolume(m_volume));
    m_player->setAudioOutput(m_audio);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MusicPlayer::onMediaStatus);
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError)
            trackFailed(m_track);
    });
    return m_player;
}

void MusicPlayer::stopPlayer() {
    if (m_player)
        m_player->stop();
}

QAction* MusicPlayer::addAction(const char* name, const QString& text, void (MusicPlayer::*slot)()) {
    QAction* action = m_mnuMusic->addAction(text);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MusicPlayer::enableActions() {
    for (QAction* action : std::as_const(m_needList))
        action->setEnabled(!m_list.isEmpty());
}

void MusicPlayer::readSettings() {
    m_sequence.setRandom(m_library.settings().isOn(QStringLiteral("bIsRndPlay")));
}

void MusicPlayer::setPlayList(const PlayList& list) {
    m_list = list;
    m_sequence.listChanged();
    readSettings();
    if (m_list.isEmpty()) {
        ++m_track;
        stopPlayer();
        m_lyricTimer->stop();
        m_mnuMusicPause->setText(tr("暂停"));
        m_lblMusic->clear();
    }
    enableActions();
}

float MusicPlayer::linearVolume(int hundredthsOfDecibel) {
    return QAudio::convertVolume(hundredthsOfDecibel / 100.0f, QAudio::DecibelVolumeScale,
                                 QAudio::LinearVolumeScale);
}

void MusicPlayer::setVolume(int hundredthsOfDecibel) {
    m_volume = hundredthsOfDecibel;
    if (m_audio)
        m_audio->setVolume(linearVolume(hundredthsOfDecibel));
}

void MusicPlayer::mnuMusicOpen() {
    FrmPlayList dialog(m_library, m_list, m_window);
    if (dialog.exec() == QDialog::Accepted)
        setPlayList(dialog.playList());
}

void MusicPlayer::mnuMusicPlay() {
    readSettings();
    startTrack(m_sequence.play());
}

void MusicPlayer::mnuMusicPause() {
    if (m_sequence.isPaused()) {
        m_sequence.resume();
        player()->play();
        m_mnuMusicPause->setText(tr("暂停"));
    } else if (m_sequence.isPlaying()) {
        m_sequence.pause();
        player()->pause();
        m_mnuMusicPause->setText(tr("继续"));
    }
}

void MusicPlayer::mnuMusicStop() {
    m_sequence.stop();
    ++m_track;
    stopPlayer();
    m_lyricTimer->stop();
    m_mnuMusicPause->setText(tr("暂停"));
}

void MusicPlayer::mnuMusicPrev() {
    readSettings();
    startTrack(m_sequence.previous());
}

void MusicPlayer::mnuMusicNext() {
    readSettings();
    startTrack(m_sequence.next());
}

void MusicPlayer::startTrack(int index) {
    ++m_track;
    m_trackFailed = false;
    m_lyricTimer->stop();
    m_lyric = LyricFile();
    m_mnuMusicPause->setText(tr("暂停"));
    if (index < 0)
        return;
    const QString path = m_list.at(index);
    m_lblMusic->setText(tr("歌曲：") + QFileInfo(path).fileName());
    if (!QFileInfo(path).isFile()) {
        stopPlayer();
        // Through the event loop: a list of missing files must not recurse.
        QTimer::singleShot(0, this, [this, track = m_track] { trackFailed(track); });
        Q_EMIT trackStarted(index);
        return;
    }
    player()->setSource(QUrl::fromLocalFile(path));
    m_player->play();
    loadLyric(path);
    Q_EMIT trackStarted(index);
}

void MusicPlayer::loadLyric(const QString& songPath) {
    const QString path = LyricFile::pathFor(songPath);
    if (path.isEmpty() || !m_library.settings().isOn(QStringLiteral("bIsViewLyric")))
        return;
    const std::optional<LyricFile> lyric = QFileInfo(path).isFile() ? LyricFile::load(path) : std::nullopt;
    if (!lyric) {
        m_lblMusic->setText(tr("歌词文件没找到！"));
        return;
    }
    m_lyric = *lyric;
    m_lyricTimer->start();
}

void MusicPlayer::onMediaStatus(QMediaPlayer::MediaStatus status) {
    switch (status) {
    case QMediaPlayer::BufferedMedia:
        m_sequence.trackPlaying();
        break;
    case QMediaPlayer::InvalidMedia:
        trackFailed(m_track);
        break;
    case QMediaPlayer::EndOfMedia: {
        // Out of the player's signal before giving it the next source.
        QTimer::singleShot(0, this, [this, track = m_track] {
            if (track == m_track)
                startTrack(m_sequence.trackEnded());
        });
        break;
    }
    default:
        break;
    }
}

void MusicPlayer::trackFailed(int track) {
    if (track != m_track || m_trackFailed)
        return;
    m_trackFailed = true;
    m_lyricTimer->stop();
    m_lblMusic->setText(tr("歌曲：") + QFileInfo(m_list.at(m_sequence.index())).fileName() +
                        tr("（无法播放）"));
    const int next = m_sequence.trackFailed();
    if (next < 0) {
        if (m_sequence.isStopped()) {
            stopPlayer();
            m_lblMusic->setText(tr("播放列表中没有可以播放的文件"));
        }
        return;
    }
    QTimer::singleShot(kFailureNoteMs, this, [this, track, next] {
        if (track == m_track)
            startTrack(next);
    });
}

void MusicPlayer::showLyric() {
    if (!m_player)
        return;
    const std::optional<QString> text = m_lyric.textAt(int(m_player->position() / 1000));
    if (text && *text != m_lblMusic->text())
        m_lblMusic->setText(*text);
}
