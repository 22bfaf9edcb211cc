#pragma once

#include "companion/lyricfile.h"
#include "companion/musicsequence.h"
#include "companion/playlist.h"

#include <QMediaPlayer>
#include <QObject>

class LibraryContext;
class QAction;
class QAudioOutput;
class QLabel;
class QMenu;
class QTimer;
class QWidget;

// The background music of the main window ("MediaPlayer1"): the menu "音乐(&M)" that drives it, the
// status bar panel lblMusic with the song and its lyrics, and the play list dialog. The window only
// places menu() and label().
class MusicPlayer : public QObject {
    Q_OBJECT

public:
    MusicPlayer(LibraryContext& library, QWidget* window);
    ~MusicPlayer() override;

    QMenu* menu() const { return m_mnuMusic; }
    QLabel* label() const { return m_lblMusic; }
    const PlayList& playList() const { return m_list; }
    // A new list (the play list dialog's OK): the menu follows whether there is anything to play.
    void setPlayList(const PlayList& list);
    int currentIndex() const { return m_sequence.index(); }

    // "最大" … "最小": hundredths of a decibel below full volume, as linear volume.
    static float linearVolume(int hundredthsOfDecibel);

Q_SIGNALS:
    // A track was given to the player (after the panel shows its name or the lyric note).
    void trackStarted(int index);

private:
    QAction* addAction(const char* name, const QString& text, void (MusicPlayer::*slot)());
    void enableActions();
    void readSettings();

    void mnuMusicOpen();
    void mnuMusicPlay();
    void mnuMusicPause();
    void mnuMusicStop();
    void mnuMusicPrev();
    void mnuMusicNext();
    void setVolume(int hundredthsOfDecibel);

    void startTrack(int index);
    void loadLyric(const QString& songPath);
    void onMediaStatus(QMediaPlayer::MediaStatus status);
    void trackFailed(int track);
    void showLyric();
    QMediaPlayer* player();
    void stopPlayer();

    LibraryContext& m_library;
    QWidget* m_window;
    PlayList m_list;
    MusicSequence m_sequence{m_list};
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    int m_volume = 0; // hundredths of a decibel, kept until there is an output
    QTimer* m_lyricTimer = nullptr;
    LyricFile m_lyric;
    int m_track = 0; // counts the tracks started, so that a late signal of an earlier one is known
    bool m_trackFailed = false;

    QMenu* m_mnuMusic = nullptr;
    QLabel* m_lblMusic = nullptr;
    QAction* m_mnuMusicPause = nullptr;
    QList<QAction*> m_needList;
};
