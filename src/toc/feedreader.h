#pragma once

#include <QList>
#include <QString>

// News feeds (RSS 0.9x/2.0, RSS 1.0) that some sites offer as their chapter list.

struct FeedItem {
    QString title;
    QString link;
    QString date; // "YYYY-MM-DD HH:MM:SS" when it could be read, else as written
    QString description;
    QString author;
};

struct Feed {
    QString title; // the first title element of the document
    QList<FeedItem> items;
};

// True for a text that begins (after white space) with an XML declaration or an rss element.
bool isFeedText(const QString& text);

// The feed's title and every item element found anywhere, in document order. Tolerant of what
// strict XML readers refuse (stray "&", undeclared entities): each element is read on its own.
Feed readFeedItems(const QString& text);

// "Tue, 10 Jun 2003 04:00:00 +0800" or "2003-06-10T04:00:00+08:00" as "2003-06-10 04:00:00", in
// the time zone written; text that is neither comes back unchanged.
QString feedDate(const QString& text);
