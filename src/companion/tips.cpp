#include "companion/tips.h"

#include <QRandomGenerator>

#include <algorithm>

Tips::Tips(Random random)
    : m_random(std::move(random)) {
    if (!m_random)
        m_random = [] { return QRandomGenerator::global()->generateDouble(); };
    for (const QString& text : builtIn())
        add(text);
}

QStringList Tips::builtIn() {
    return {
        tr("您想随意地下载小说吗？只要在【新增小说】处，输入小说名称，按一下回车键，选择一个下载地址，就可以下载小说的各个章节了。"),
        tr("您想一起下载多本小说吗？只要在下边点选小说列表，在右边点选相应的小说后按右键选【批量更新】即可。"),
        tr("您在网上看到一本好小说想整本下载吗？复制它的目录页网址后打开【新增小说】，网址会自动填好；也可以在命令行输入 quiveral addnew <网址>，所有章节都会下载到电脑中。"),
        tr("您想查某一本书的最新章节而当前下载地址又没有的情况下，点击【新增章节】，系统自动显示后一章为第几章，点击确定即显示此章节的下载地址，选择一个即可。"),
        tr("您想去掉下载下来的小说中很多不需要的内容吗？只要在【选项】菜单中选择【小说正文标志设置】中设置相应标志，在新增该网站小说时，会自动加入这些标志，下载时会自动去除不需要的内容了；如还有需要去掉的，您可以使用【查找/替换】或者【编辑章节内容】来处理。"),
        tr("您想将小说中的图片下载下来方便快速阅读吗?只要在【参数设置】中将\"下载图片\"的勾选选上即可。"),
        tr("您想按您喜欢的样式来阅读小说吗？您可以在设置中选择章节显示样式，点击【章节】的【按当前设置样式】转换，还可以点击【选项】下的【阅读设置】，选择您所喜欢的文字颜色、背景颜色、文字大小以及字体，保存设置后即可按此样式阅读了。"),
        tr("在我的书柜中显示了所有您本系统中制作的电子书，您也可以将其他的电子书放入进来管理；如您想将其归到某一分类，只需按住鼠标左键将右边的书拖拉到左边的分类处即可。"),
        tr("如您想更新某本小说，只需双击该小说名，该小说就自动更新了。"),
        tr("如您的一些小说已下载完毕不再更新，可在小说属性的\"不再更新\"勾选上，这样点击【全部更新】后就不会更新这些小说了，节省时间；当然您也可以制作成电子书后删除该项，在我的书柜中阅读。"),
        tr("如您下载后的小说有很多不需要的章节，您可以在新增小说时设定\"目录开始标志\"以及\"目录结束标志\"后再次下载。"),
        tr("如您下载下来的小说章节内容中有很多您不需要的内容，您可以在新增小说时设定\"章节开始标志\"以及\"章节结束标志\"。"),
        tr("如您有些网页下载不下来，您可以试一下在【参数设置】中将\"连接超时\"的秒数设大一些。"),
        tr("如下载下来的内容缺少您所需要的内容，您可以在【参数设置】处将\"章节内容自动套用样式\"前面的勾选去掉，这样将下载原始的页面样式。"),
        tr("您想了解当前下载情况吗？您可以随时双击最下方的状态栏，即可显示下载列表。"),
        tr("您想更快的下载吗，你可以在【设置】中设定需要的最大下载任务数。"),
    };
}

QString Tips::add(const QString& text) {
    Tip tip;
    tip.text = text;
    tip.id = m_nextId++;
    tip.created = QDateTime::currentDateTime();
    m_tips.append(tip);
    return keyOf(tip.id);
}

bool Tips::remove(const QString& key) {
    const auto it = std::find_if(m_tips.begin(), m_tips.end(), [&](const Tip& t) { return keyOf(t.id) == key; });
    if (it == m_tips.end())
        return false;
    m_tips.erase(it);
    m_position = std::min(m_position, count());
    return true;
}

QString Tips::nextTip() {
    if (m_tips.isEmpty())
        return {};
    ++m_position;
    if (m_position > count() || m_position < 1)
        m_position = 1;
    return m_tips.at(m_position - 1).text;
}

QString Tips::randomTip() {
    if (m_tips.isEmpty())
        return {};
    // Clamped: a generator that returns 1.0 must not reach past the end.
    m_position = std::clamp(int(double(count()) * m_random()) + 1, 1, count());
    return m_tips.at(m_position - 1).text;
}
