#pragma once

#include "storage/novelrecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The extraction rule of one site: the markers of its chapter list, volume headings and chapter text,
// the strings to delete, and the markers of a novel's information. Keyed by the site root.
struct SiteSign {
    enum Field {
        Name,
        Url,
        ListStart,
        ListEnd,
        ContentStart,
        ContentEnd,
        NeedDelStr,
        VolumeStart,
        VolumeEnd,
        BriefUrlStart,
        BriefUrlEnd,
        AuthorStart,
        AuthorEnd,
        BriefStart,
        BriefEnd,
        BookImgUrlStart,
        BookImgUrlEnd,
        FieldCount
    };

    std::array<QString, FieldCount> fields;

    QString& operator[](Field f) { return fields[f]; }
    const QString& operator[](Field f) const { return fields[f]; }
    bool operator==(const SiteSign& other) const { return fields == other.fields; }

    // Element names in file order, and the captions of the editing window.
    static QStringList elementNames();
    static QStringList captions();

    // The markers a novel copies from its site's sign.
    NovelMarkers markers() const;
};

// "http://" + host + "/" of an address, or "" when it has none. An https address gives the same root
// as http: a sign belongs to the host.
QString getSiteRoot(const QString& address);

// Reads sign records by position: six fields, NeedDelStr from seven on, the volume markers from nine
// on, the information markers from seventeen on. False when the text holds no SiteSign record.
bool readSiteSigns(const QString& text, QList<SiteSign>& signs);
// The file text, in table order, without records that have no name.
QString siteSignsText(const QList<SiteSign>& signs);
