#pragma once

#include "storage/recordlists.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

class Settings;

// The named sets of reading settings ("方案") in showtype.xml, and the background pictures in
// bgimage/ that the reading settings offer.
class ReadingSchemes {
    Q_DECLARE_TR_FUNCTIONS(ReadingSchemes)

public:
    explicit ReadingSchemes(const QString& libraryPath);

    const QList<ShowType>& list() const { return m_schemes; }
    QStringList names() const;
    int indexOf(const QString& name) const;

    // Replaces the scheme of the same name or appends it, and writes the file.
    bool put(const ShowType& scheme);
    bool remove(const QString& name);

    // The display keys a scheme carries, from and into the settings block.
    static ShowType fromSettings(const QString& name, const Settings& settings);
    static void applyTo(const ShowType& scheme, Settings& settings);

    // Picture files of bgimage/, by name.
    QStringList backgroundPictures() const;
    // Copies a picture into bgimage/; "" or the message for the user.
    QString addBackgroundPicture(const QString& sourcePath) const;

private:
    bool save() const;

    QString m_libraryPath;
    QList<ShowType> m_schemes;
};
