#pragma once
#include "RtfReader.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QString>

// The one way a file becomes what the text pane shows: rich text when it is
// valid RTF, plain text otherwise, in the encoding its bytes show. A plain
// text is read piecewise, so that a file of any size shows at once; an RTF
// file is read and parsed on a worker (RichTextLoader); rich text is held
// whole in memory, within a limit.
namespace TextLoad {

// ---------------------------------------------------------------- whole texts

struct Options {
    // CR LF and a lone CR become LF, so that every line break is one character.
    bool unifyLineBreaks = false;
};

// Decodes a whole text as the given encoding: its codec run over the bytes
// behind that encoding's byte-order mark. NUL becomes U+FFFD.
QString decodeAs(TextEncoding encoding, const char* data, qsizetype size, const Options& options = {});
inline QString decodeAs(TextEncoding encoding, const QByteArray& bytes, const Options& options = {})
{
    return decodeAs(encoding, bytes.constData(), bytes.size(), options);
}

struct Decoded {
    QString text;
    TextEncoding encoding = TextEncoding::Cp932;
    bool bom = false;
};
// Detects the encoding, then decodes as it.
Decoded decode(const char* data, qsizetype size, const Options& options = {});
inline Decoded decode(const QByteArray& bytes, const Options& options = {})
{
    return decode(bytes.constData(), bytes.size(), options);
}

// ---------------------------------------------------------------- files

// The one descriptor of a file being shown: opened once, examined and read
// through, so that a name swapped for another file (or a device) in between
// is never read. Closed with this object unless released.
class OpenFile {
public:
    OpenFile() = default;
    explicit OpenFile(const QString& path);
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    int fd() const { return m_fd; }
    int release();

private:
    int m_fd = -1;
};

struct Content {
    enum class Kind { Rich, Plain, File, RichFile };
    Kind kind = Kind::Plain;
    TextEncoding encoding = TextEncoding::Cp932;   // of Plain and File
    RtfReader::Document rich;                      // Rich
    QString text;                                  // Plain, its line breaks unified
    OpenFile file;                                 // File: for the big-text document to read piecewise;
                                                   // RichFile: for RichTextLoader, within limit
    qint64 limit = 0;                              // RichFile: the most it may hold in memory
};

// Largest file held whole in memory for a configured limit in bytes (0: as
// much as memory allows).
qint64 wholeLimit(qint64 configured);

// Throws VarError: "ﾌｧｲﾙ %s は開けません" when the file cannot be opened or
// is no regular file, "ｽﾄﾘｰﾑからの読み込みに失敗しました" when it cannot be
// read, or is held whole and larger than the limit or memory allows. An RTF
// file comes back open (RichFile), to be read by RichTextLoader.
Content readFile(const QString& path, qint64 configuredLimit = 0);
// A whole file decoded as plain text: an RTF file that turned out not to be
// valid. Throws as readFile().
Content readPlain(int fd, qint64 limit);
// The same for bytes already in memory (always held whole).
Content readBytes(QByteArray bytes);

}
