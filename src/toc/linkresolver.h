#pragma once

#include <QString>

class ScriptReader;

// Turns the addresses of a page's links into absolute ones: against the page's site root and
// folder (or those of its base element), and script calls through the functions the page defines.
class LinkResolver {
public:
    explicit LinkResolver(const QString& pageUrl);

    // The address of a <base href=…> element, which then decides root and folder.
    void setBase(const QString& baseUrl);
    // The page's scripts, for "javascript:" links and calls. With chooseBranches the if/else chains
    // of an address-choosing function are decided by the call's arguments.
    void setScripts(const ScriptReader* scripts, bool chooseBranches);

    QString pageRoot() const { return m_root; }     // "http://host/"
    QString pageFolder() const { return m_folder; } // ends in "/"

    // "" for an empty address and for a script call that no function of the page explains.
    QString resolve(const QString& address) const;

    // The base address of the page's first "<base href=…>" element, "" without one.
    static QString findBase(const QString& page);

private:
    QString resolvePlain(const QString& address) const;

    QString m_pageUrl;
    QString m_root;
    QString m_folder;
    const ScriptReader* m_scripts = nullptr;
    bool m_chooseBranches = false;
};
