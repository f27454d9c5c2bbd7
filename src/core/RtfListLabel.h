#pragma once
#include <QByteArray>
#include <QString>

// An old-style list (\pn): what a numbered or bulleted paragraph shows before
// its text when the document does not write that out itself (\pntext).
struct RtfListLabel {
    bool on = false;
    bool bullet = false;
    char style = '1';           // '1', 'A', 'a', 'I' or 'i'
    int start = 1;
    QByteArray before, after;   // as written, in the text's code page

    // The number n in the list's style: 4, D, d, IV or iv.
    QString number(int n) const;
};
