#pragma once

#include "companion/playlist.h"

#include <QDialog>

class LibraryContext;
class QCheckBox;
class QTreeWidget;

// "播放列表": the background music's files, random order and lyrics. OK writes both switches and
// musiclist.dat; the player then takes playList().
class FrmPlayList : public QDialog {
    Q_OBJECT

public:
    FrmPlayList(LibraryContext& library, const PlayList& list, QWidget* parent = nullptr);

    const PlayList& playList() const { return m_list; }
    static QString fileFilter();

private:
    void cmdAdd();
    void cmdAddDir();
    void cmdDelete();
    void fill();
    void accept() override;

    LibraryContext& m_library;
    PlayList m_list;
    QTreeWidget* m_listView1 = nullptr;
    QCheckBox* m_chkbIsRndPlay = nullptr;
    QCheckBox* m_chkbIsViewLyric = nullptr;
};
