#include "companion/musicsequence.h"

#include "companion/playlist.h"

#include <algorithm>

MusicSequence::MusicSequence(const PlayList& list)
    : m_list(list) {}

int MusicSequence::index() const {
    return m_list.isEmpty() ? -1 : std::clamp(m_index, 0, m_list.size() - 1);
}

void MusicSequence::listChanged() {
    m_index = std::max(index(), 0);
    m_failed.clear();
    if (m_list.isEmpty())
        stop();
}

int MusicSequence::start(int index) {
    if (index < 0)
        return -1;
    m_index = index;
    m_paused = false;
    m_stopped = false;
    m_started = true;
    return index;
}

int MusicSequence::following() const {
    return m_random ? m_list.randomIndex() : m_list.next(index());
}

int MusicSequence::play() {
    m_failed.clear();
    return start(m_random ? m_list.randomIndex() : index());
}

int MusicSequence::previous() {
    m_failed.clear();
    return start(m_list.previous(index()));
}

int MusicSequence::next() {
    m_failed.clear();
    return start(m_list.next(index()));
}

void MusicSequence::stop() {
    m_stopped = true;
    m_paused = false;
    m_started = false;
}

int MusicSequence::trackEnded() {
    if (m_paused || m_stopped || !m_started)
        return -1;
    return start(following());
}

int MusicSequence::trackFailed() {
    if (m_stopped || m_list.isEmpty())
        return -1;
    m_failed.insert(index());
    const int count = m_list.size();
    if (m_failed.size() >= count) {
        stop();
        return -1;
    }
    // Only the tracks not yet failed: a random pick could otherwise try a bad one again and again.
    if (m_random) {
        int nth = m_list.pick(count - int(m_failed.size()));
        for (int i = 0; i < count; ++i)
            if (!m_failed.contains(i) && nth-- == 0)
                return start(i);
    }
    int i = index();
    do
        i = m_list.next(i);
    while (m_failed.contains(i));
    return start(i);
}
