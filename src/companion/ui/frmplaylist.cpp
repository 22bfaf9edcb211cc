#include "companion/ui/frmplaylist.h"

#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kRandomKey = QStringLiteral("bIsRndPlay");
const QString kLyricKey = QStringLiteral("bIsViewLyric");

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString FrmPlayList::fileFilter() {
    return tr(
        "音乐文件(所有类型) (*.wav *.mp3 *.mid *.midi *.rmi *.wma);;MIDI文件(midi) (*.mid *.midi *.rmi);;"
        "声音文件(wav) (*.wav);;mp3文件(mp3) (*.mp3);;Window Media 音频文件(wma) (*.wma)");
}

FrmPlayList::FrmPlayList(LibraryContext& library, const PlayList& list, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_list(list) {
    setObjectName(QStringLiteral("frmPlayList"));
    setWindowTitle(tr("播放列表"));
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("在这里您可以设置音乐的播放列表"), this));

    auto* middle = new QHBoxLayout;
    m_listView1 = new QTreeWidget(this);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setHeaderLabels({tr("音乐文件")});
    m_listView1->setRootIsDecorated(false);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->setUniformRowHeights(true);
    middle->addWidget(m_listView1, 1);
    auto* buttons = new QVBoxLayout;
    QPushButton* add = namedButton(this, "cmdAdd", tr("新增"));
    QPushButton* addDir = namedButton(this, "cmdAddDir", tr("添加目录"));
    QPushButton* remove = namedButton(this, "cmdDelete", tr("移除"));
    QPushButton* clear = namedButton(this, "cmdClear", tr("清空"));
    for (QPushButton* b : {add, addDir, remove, clear})
        buttons->addWidget(b);
    buttons->addStretch(1);
    middle->addLayout(buttons);
    layout->addLayout(middle, 1);

    m_chkbIsRndPlay = new QCheckBox(tr("随机播放"), this);
    m_chkbIsRndPlay->setObjectName(QStringLiteral("chkbIsRndPlay"));
    m_chkbIsRndPlay->setChecked(m_library.settings().isOn(kRandomKey));
    m_chkbIsViewLyric = new QCheckBox(tr("显示歌词"), this);
    m_chkbIsViewLyric->setObjectName(QStringLiteral("chkbIsViewLyric"));
    m_chkbIsViewLyric->setChecked(m_library.settings().isOn(kLyricKey));
    const OkCancelRow row = okCancelRow(this);
    row.row->insertWidget(0, m_chkbIsRndPlay);
    row.row->insertWidget(1, m_chkbIsViewLyric);
    layout->addLayout(row.row);

    connect(add, &QPushButton::clicked, this, &FrmPlayList::cmdAdd);
    connect(addDir, &QPushButton::clicked, this, &FrmPlayList::cmdAddDir);
    connect(remove, &QPushButton::clicked, this, &FrmPlayList::cmdDelete);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_list.clear();
        fill();
    });
    connect(row.ok, &QPushButton::clicked, this, &FrmPlayList::accept);
    fill();
}

void FrmPlayList::fill() {
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("audio-x-generic"));
    m_listView1->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(m_list.size());
    for (int i = 0; i < m_list.size(); ++i) {
        auto* item = new QTreeWidgetItem({m_list.at(i)});
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, QStringLiteral("音乐%1").arg(i));
        items << item;
    }
    m_listView1->addTopLevelItems(items);
}

void FrmPlayList::cmdAdd() {
    const QStringList files = Messages::openFileNames(this, tr("打开文件"), QString(), fileFilter());
    if (files.isEmpty())
        return;
    m_list.addFiles(files);
    fill();
}

void FrmPlayList::cmdAddDir() {
    const QString folder = Messages::existingFolder(this, tr("浏览文件夹"), QString());
    if (folder.isEmpty())
        return;
    if (m_list.addFolder(folder) > 0)
        fill();
}

void FrmPlayList::cmdDelete() {
    QList<int> rows;
    for (QTreeWidgetItem* item : m_listView1->selectedItems())
        rows << m_listView1->indexOfTopLevelItem(item);
    if (rows.isEmpty()) {
        Messages::information(this, tr("请点选具体项进行移除"));
        return;
    }
    m_list.removeRows(rows);
    fill();
}

void FrmPlayList::accept() {
    Settings& settings = m_library.settings();
    if (!settings.writeIniValue(Settings::kMain, kLyricKey, flag(m_chkbIsViewLyric->isChecked())) ||
        !settings.writeIniValue(Settings::kMain, kRandomKey, flag(m_chkbIsRndPlay->isChecked()))) {
        Messages::warning(this, settings.lastError());
        return;
    }
    QString error;
    if (!m_list.save(m_library.folder().file(PlayList::fileName()), &error)) {
        Messages::warning(this, error);
        return;
    }
    QDialog::accept();
}
