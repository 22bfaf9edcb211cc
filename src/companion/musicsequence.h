#pragma once

#include <QSet>

class PlayList;

// Which track of the play list plays, and what follows when one ends or cannot be played. The
// player only carries out the answers.
class MusicSequence {
public:
    explicit MusicSequence(const PlayList& list);

    void setRandom(bool random) { m_random = random; }
    bool isRandom() const { return m_random; }

    // The track last started (0 at first); -1 for an empty list.
    int index() const;
    bool isPaused() const { return m_paused; }
    bool isStopped() const { return m_stopped; }
    bool isPlaying() const { return m_started && !m_paused && !m_stopped; }

    // The list changed: the index stays within it.
    void listChanged();

    // "播放": the current track, or a random one in random order; -1 for an empty list.
    int play();
    // "上一首"/"下一首", wrapping.
    int previous();
    int next();
    void pause() { m_paused = true; }
    void resume() { m_paused = false; }
    void stop();

    // The track ended by itself: the one to start, or -1 when the user paused or stopped it.
    int trackEnded();
    // The track could not be played: the next one not yet failed, or -1 once every track of the list
    // has failed since the last that played (the sequence is then stopped).
    int trackFailed();
    // The track plays: the failures so far no longer count.
    void trackPlaying() { m_failed.clear(); }

private:
    int start(int index);
    int following() const;

    const PlayList& m_list;
    int m_index = 0;
    bool m_random = false;
    bool m_paused = false;
    bool m_stopped = false;
    bool m_started = false;
    QSet<int> m_failed;
};
