#include "library/readingschemes.h"

#include "storage/files.h"
#include "storage/recorddocument.h"
#include "storage/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Field positions of a scheme record.
enum Field {
    Name,
    BgColor,
    BgImg,
    FontSize,
    FontColor,
    FontName,
    FontBold,
    FontItalic,
    TitleFontName,
    TitleFontSize
};

const char* const kKeys[ShowType::kFieldCount] = {nullptr,         "BgColor",      "BgImg",    "FontSize",
                                                  "FontColor",     "FontName",     "FontBold", "FontItalic",
                                                  "TitleFontName", "TitleFontSize"};

} // namespace

ReadingSchemes::ReadingSchemes(const QString& libraryPath)
    : m_libraryPath(libraryPath) {
    loadShowTypes(m_libraryPath + QLatin1String("/showtype.xml"), m_schemes);
}

QStringList ReadingSchemes::names() const {
    QStringList out;
    for (const ShowType& s : m_schemes)
        out << s.fields[Name];
    return out;
}

int ReadingSchemes::indexOf(const QString& name) const {
    for (int i = 0; i < m_schemes.size(); ++i)
        if (m_schemes.at(i).fields[Name] == name)
            return i;
    return -1;
}

bool ReadingSchemes::save() const {
    return writeRecordFile(m_libraryPath + QLatin1String("/showtype.xml"), showTypesText(m_schemes));
}

bool ReadingSchemes::put(const ShowType& scheme) {
    const int at = indexOf(scheme.fields[Name]);
    if (at >= 0)
        m_schemes[at] = scheme;
    else
        m_schemes.append(scheme);
    return save();
}

bool ReadingSchemes::remove(const QString& name) {
    const int at = indexOf(name);
    if (at < 0)
        return false;
    m_schemes.removeAt(at);
    return save();
}

ShowType ReadingSchemes::fromSettings(const QString& name, const Settings& settings) {
    ShowType scheme;
    scheme.fields[Name] = name;
    for (int i = 1; i < ShowType::kFieldCount; ++i)
        scheme.fields[i] = settings.value(QString::fromLatin1(kKeys[i]));
    return scheme;
}

void ReadingSchemes::applyTo(const ShowType& scheme, Settings& settings) {
    for (int i = 1; i < ShowType::kFieldCount; ++i)
        settings.setValue(QString::fromLatin1(kKeys[i]), scheme.fields[i]);
}

QStringList ReadingSchemes::backgroundPictures() const {
    QStringList names;
    listFilesByExtension(m_libraryPath + QLatin1String("/bgimage"), QStringLiteral("jpg,jpeg,gif,bmp,png"),
                         names);
    names.sort();
    return names;
}

QString ReadingSchemes::addBackgroundPicture(const QString& sourcePath) const {
    const QFileInfo source(sourcePath);
    if (!source.isFile())
        return tr("无此文件");
    const QString target = m_libraryPath + QLatin1String("/bgimage/") + source.fileName();
    if (QFileInfo::exists(target))
        return tr("在可选择的背景图片中已有同名的图片，请改名或者另选");
    QDir().mkpath(m_libraryPath + QLatin1String("/bgimage"));
    if (!QFile::copy(sourcePath, target))
        return tr("无法复制文件 ") + target;
    return {};
}
