#include "RtfWords.h"

#include <QHash>

namespace RtfWords {

bool isSkippedDestination(const QByteArray& word)
{
    static const QHash<QByteArray, int> words = [] {
        QHash<QByteArray, int> h;
        for (const char* w : {"stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf",
                              "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "fldinst",
                              "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "themedata",
                              "colorschememapping", "latentstyles", "datastore", "mmathPr", "pgdsctbl", "revtbl",
                              "filetbl", "nonshppict", "shp", "shpinst", "txe", "xe", "tc", "bkmkstart", "bkmkend",
                              "template", "private", "userprops", "docvar", "author", "operator", "title", "subject",
                              "keywords", "comment", "doccomm", "blipuid", "objdata", "objclass", "result", "atnid",
                              "atnauthor", "atntime", "atnref", "atndate", "atnicn", "ftnsep", "ftnsepc", "aftnsep",
                              "aftnsepc", "ftncn", "aftncn", "fchars", "lchars", "wgrffmtfilter", "passwordhash",
                              "protusertbl", "oldcprops", "oldpprops", "oldsprops", "oldtprops",
                              "nonesttables"})
            h.insert(QByteArray(w), 1);
        return h;
    }();
    return words.contains(word);
}

char16_t character(const QByteArray& word)
{
    static const QHash<QByteArray, char16_t> characters{
        {"emdash", 0x2014}, {"endash", 0x2013}, {"emspace", 0x2003}, {"enspace", 0x2002}, {"qmspace", 0x2005},
        {"bullet", 0x2022}, {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    };
    return characters.value(word, 0);
}

} // namespace RtfWords
