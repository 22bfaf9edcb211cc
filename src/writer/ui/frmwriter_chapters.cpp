// The chapter side of the writing assistant: the novel tree, the chapter editor and its commands.
#include "library/chaptereditor.h"
#include "storage/librarycontext.h"
#include "widgets/icons.h"
#include "widgets/messages.h"
#include "writer/ui/frmwriter.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWebEngineView>

namespace {

const QString kVolumeKey = QStringLiteral("分卷");
const QString kChapterKey = QStringLiteral("章节");

bool isChapter(const QTreeWidgetItem* item) {
    return item && item->data(0, FrmWriter::KeyRole).toString().startsWith(kChapterKey);
}

bool isVolume(const QTreeWidgetItem* item) {
    return item && item->data(0, FrmWriter::KeyRole).toString().startsWith(kVolumeKey);
}

qint64 chapterOf(const QTreeWidgetItem* item) {
    return isChapter(item) ? FrmWriter::idOf(item) : 0;
}

// The name the chapter commands take for a volume node: "正文" for the chapters without a volume.
QString volumeArgument(const QTreeWidgetItem* item) {
    const QString name = item->data(0, FrmWriter::NameRole).toString();
    return name.isEmpty() ? WriterChapters::mainVolumeName() : name;
}

} // namespace

void FrmWriter::fillNovel(qint64 select) {
    m_quiet = true;
    m_tvwNovel->clear();
    const QIcon folder = Icons::tree(QStringLiteral("folder"));
    const QIcon read = Icons::tree(QStringLiteral("Read"));
    const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
    // One read of the novel; a volume node for each run of chapters with one volume, in list order.
    const QList<WriterChapters::Entry> rows = m_chapters.outline();
    QList<QTreeWidgetItem*> volumes;
    QList<QTreeWidgetItem*> children;
    QString lastVolume;
    const auto close = [&] {
        if (!volumes.isEmpty())
            volumes.last()->addChildren(children);
        children.clear();
    };
    for (const WriterChapters::Entry& row : rows) {
        if (volumes.isEmpty() || row.volume != lastVolume) {
            close();
            lastVolume = row.volume;
            auto* volume = new QTreeWidgetItem(
                QStringList{row.volume.isEmpty() ? WriterChapters::mainVolumeName() : row.volume});
            volume->setData(0, KeyRole, QString(kVolumeKey + QString::number(volumes.size() + 1)));
            volume->setData(0, NameRole, row.volume);
            volume->setIcon(0, folder);
            volume->setFlags(flags);
            volumes.append(volume);
        }
        auto* chapter = new QTreeWidgetItem(QStringList{row.title});
        chapter->setData(0, KeyRole, QString(kChapterKey + QString::number(row.id)));
        chapter->setIcon(0, read);
        chapter->setFlags(flags | Qt::ItemNeverHasChildren);
        children.append(chapter);
    }
    close();
    m_tvwNovel->addTopLevelItems(volumes);
    if (!volumes.isEmpty())
        volumes.first()->setExpanded(true);
    if (QTreeWidgetItem* item = findChapter(select ? select : m_chapterId)) {
        item->parent()->setExpanded(true);
        m_tvwNovel->setCurrentItem(item);
        m_tvwNovel->scrollToItem(item);
    }
    m_quiet = false;
}

QTreeWidgetItem* FrmWriter::findChapter(qint64 id) const {
    if (id == 0)
        return nullptr;
    for (int v = 0; v < m_tvwNovel->topLevelItemCount(); ++v) {
        QTreeWidgetItem* volume = m_tvwNovel->topLevelItem(v);
        for (int c = 0; c < volume->childCount(); ++c)
            if (idOf(volume->child(c)) == id)
                return volume->child(c);
    }
    return nullptr;
}

void FrmWriter::selectQuietly(QTreeWidgetItem* item) {
    const bool quiet = m_quiet;
    m_quiet = true;
    m_tvwNovel->setCurrentItem(item);
    m_quiet = quiet;
}

void FrmWriter::showEditor(bool chapter) {
    m_txtContent->setVisible(chapter);
    m_web1->setVisible(!chapter);
    m_tbrWeb->setVisible(!chapter);
}

void FrmWriter::onNovelItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    Q_UNUSED(previous)
    if (m_quiet)
        return;
    const qint64 id = chapterOf(current);
    if (id != 0 && id == m_chapterId) {
        showEditor(true);
        return;
    }
    if (!confirmLeave()) {
        // Back to the chapter once the view has finished taking the click.
        const qint64 stay = m_chapterId;
        QTimer::singleShot(0, this, [this, stay] {
            if (QTreeWidgetItem* item = findChapter(stay))
                selectQuietly(item);
        });
        return;
    }
    showChapter(current);
}

void FrmWriter::showChapter(QTreeWidgetItem* item) {
    m_chapterId = chapterOf(item);
    m_txtContent->setPlainText(m_chapterId ? m_chapters.text(m_chapterId) : QString());
    m_txtContent->document()->setModified(false);
    const QString title = item ? item->text(0) : QString();
    m_lblRemark->setText(tr("信息：") + title);
    statusBar()->showMessage(title);
    showEditor(m_chapterId != 0);
}

void FrmWriter::reloadChapter() {
    m_txtContent->setPlainText(m_chapters.text(m_chapterId));
    m_txtContent->document()->setModified(false);
}

bool FrmWriter::confirmLeave() {
    if (m_chapterId == 0 || !m_txtContent->document()->isModified())
        return true;
    switch (Messages::yesNoCancel(this, tr("本章内容已修改，是否保存？"))) {
    case QMessageBox::Yes:
        return saveChapter();
    case QMessageBox::No:
        reloadChapter();
        return true;
    default:
        return false;
    }
}

bool FrmWriter::saveChapter() {
    if (m_chapterId == 0) {
        Messages::warning(this, tr("请选择具体的章节"));
        return false;
    }
    if (m_chapters.hasRichContent(m_chapterId) &&
        !Messages::question(this, tr("保存后本章中的图片和表格将丢失，是否继续？")))
        return false;
    const QString error = m_chapters.save(m_chapterId, m_txtContent->toPlainText());
    if (!error.isEmpty()) {
        Messages::warning(this, error);
        return false;
    }
    m_txtContent->document()->setModified(false);
    changed();
    return true;
}

void FrmWriter::changed() {
    Q_EMIT chaptersChanged(m_novelId);
}

void FrmWriter::mnuSave() {
    saveChapter();
}

void FrmWriter::mnuNewVolume() {
    if (!confirmLeave())
        return;
    QString error;
    const qint64 id = m_chapters.addVolume(&error);
    showAdded(id, error);
}

void FrmWriter::showAdded(qint64 id, const QString& error) {
    if (id == 0) {
        Messages::warning(this, error);
        return;
    }
    fillNovel(id);
    m_sstab1->setCurrentIndex(1);
    showChapter(findChapter(id));
    changed();
}

void FrmWriter::mnuNewContent() {
    if (!confirmLeave())
        return;
    const QTreeWidgetItem* item = m_tvwNovel->currentItem();
    QString error;
    // After the chosen chapter; a chosen volume takes it at its end; else the novel's end.
    const qint64 id = isChapter(item)  ? m_chapters.addChapter(chapterOf(item), QString(), &error)
                      : isVolume(item) ? m_chapters.addChapter(0, volumeArgument(item), &error)
                                       : m_chapters.addChapter(0, QString(), &error);
    showAdded(id, error);
}

void FrmWriter::mnuRename() {
    QTreeWidgetItem* item = m_tvwNovel->currentItem();
    if (!isChapter(item) && !isVolume(item)) {
        Messages::warning(this, tr("请选择具体的章节"));
        return;
    }
    if (!confirmLeave())
        return;
    m_sstab1->setCurrentIndex(1);
    m_tvwNovel->editItem(item, 0);
}

void FrmWriter::onNovelItemEdited(QTreeWidgetItem* item, int column) {
    if (m_quiet || column != 0 || !(isVolume(item) || isChapter(item)))
        return;
    const QString name = item->text(0).trimmed();
    QString error;
    QString before; // what the node showed
    if (isVolume(item)) {
        const QString old = item->data(0, NameRole).toString();
        before = volumeArgument(item);
        if (name == before)
            return;
        error = m_chapters.renameVolume(before, name);
        if (error.isEmpty()) {
            // Every run of the volume carries the new name.
            m_quiet = true;
            for (int v = 0; v < m_tvwNovel->topLevelItemCount(); ++v) {
                QTreeWidgetItem* volume = m_tvwNovel->topLevelItem(v);
                if (volume->data(0, NameRole).toString() == old) {
                    volume->setData(0, NameRole, name);
                    volume->setText(0, name);
                }
            }
            m_quiet = false;
        }
    } else {
        ChapterEditor editor(m_library);
        const std::optional<ChapterEditor::Chapter> chapter = editor.chapter(chapterOf(item));
        before = chapter ? chapter->title : QString();
        if (chapter && name == before)
            return;
        error = chapter ? editor.editProperties(chapter->id, name, chapter->comeFrom).error
                        : tr("请选择具体的章节");
        if (error.isEmpty()) {
            m_quiet = true;
            item->setText(0, name);
            m_quiet = false;
        }
    }
    if (!error.isEmpty()) {
        m_quiet = true;
        item->setText(0, before);
        m_quiet = false;
        Messages::warning(this, error);
        return;
    }
    changed();
}

void FrmWriter::moveChapter(bool up) {
    QTreeWidgetItem* item = m_tvwNovel->currentItem();
    if (!isChapter(item)) {
        Messages::warning(this, tr("请选择具体的章节"));
        return;
    }
    // Within its volume node only: the first and the last stay where they are.
    QTreeWidgetItem* volume = item->parent();
    const int at = volume->indexOfChild(item);
    const int to = up ? at - 1 : at + 1;
    if (to < 0 || to >= volume->childCount())
        return;
    if (!confirmLeave())
        return;
    // The node's neighbour is the chapter's neighbour in the novel: a node holds a run of the list.
    ChapterEditor editor(m_library);
    if (!editor.moveOne(chapterOf(item), up ? ChapterEditor::Direction::Up : ChapterEditor::Direction::Down))
        return;
    m_quiet = true;
    volume->takeChild(at);
    volume->insertChild(to, item);
    m_tvwNovel->setCurrentItem(item);
    m_quiet = false;
    changed();
}

void FrmWriter::mnuDelContent() {
    QTreeWidgetItem* item = m_tvwNovel->currentItem();
    QList<qint64> ids;
    if (isVolume(item)) {
        for (int c = 0; c < item->childCount(); ++c)
            ids << chapterOf(item->child(c));
    } else if (isChapter(item)) {
        ids << chapterOf(item);
    } else {
        Messages::warning(this, tr("请选择具体的章节"));
        return;
    }
    const bool editedGoes = ids.contains(m_chapterId);
    // Text of a chapter that stays is asked for first; the deleted chapter's text goes with it.
    if (!editedGoes && !confirmLeave())
        return;
    const QString question = isVolume(item) ? tr("您确定删除分卷\"%1\" 及以下所有章节吗?").arg(item->text(0))
                                            : tr("您确定删除该章节吗?");
    if (!Messages::question(this, question))
        return;
    if (ids.isEmpty())
        return;
    // The chapter to show afterwards: the first after those deleted, else the last before them.
    QList<qint64> order;
    for (int v = 0; v < m_tvwNovel->topLevelItemCount(); ++v)
        for (int c = 0; c < m_tvwNovel->topLevelItem(v)->childCount(); ++c)
            order << chapterOf(m_tvwNovel->topLevelItem(v)->child(c));
    qint64 next = 0;
    for (qsizetype i = order.indexOf(ids.last()) + 1; i > 0 && i < order.size() && !next; ++i)
        next = ids.contains(order.at(i)) ? 0 : order.at(i);
    for (qsizetype i = order.indexOf(ids.first()) - 1; i >= 0 && !next; --i)
        next = ids.contains(order.at(i)) ? 0 : order.at(i);
    ChapterEditor editor(m_library);
    const ChapterEditor::Result r = editor.remove(ids, false);
    if (!r.ok()) {
        Messages::warning(this, r.error);
        return;
    }
    if (editedGoes || m_chapterId == 0) {
        m_chapterId = 0;
        m_txtContent->document()->setModified(false);
        fillNovel(next);
        showChapter(findChapter(next));
    } else {
        fillNovel(m_chapterId);
    }
    changed();
}
