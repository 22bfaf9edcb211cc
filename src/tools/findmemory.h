#pragma once

#include <QString>

// What the find windows remember while the program runs, filled in when one opens again: the last
// find and replacement texts and whether the search covered every chapter. The chapter search window
// and the page editor's find dialog share it; only the window thread touches it.
struct FindMemory {
    QString findText;
    QString replaceText;
    bool allChapters = false;

    static FindMemory& shared();
};
