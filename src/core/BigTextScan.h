#pragma once
#include "BigTextBytes.h"
#include "TextCodec.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// The one pass over a file's bytes that a big text needs before it can be shown:
// where its blocks of lines start, and how many characters and line ends each
// holds. Nothing is decoded here unless a block holds invalid sequences.
namespace BigTextScan {

// Blocks end after a line end once they reach this size; a line longer than
// kMaxBlockBytes is cut into blocks at character boundaries, each but the last
// of them not ending at a line end (the line runs on into the next).
constexpr qint64 kBlockBytes = 64 * 1024;
constexpr qint64 kMaxBlockBytes = 256 * 1024;

struct Block {
    qint64 offset = 0;   // in the file
    qint64 bytes = 0;
    qint64 chars = 0;    // UTF-16 units, every line end counted as one
    qint64 newlines = 0; // line ends inside the block (CR LF, CR or LF)
    bool endsWithNewline = false;
    bool exact = true;   // chars is what decoding gives; else what it gives for well-formed text
    // A stateful encoding's state at the block's start and end. A scan that
    // starts inside a file takes it from the escapes before; the bits of it that
    // none decided within reach are assumed to be 0 (guess, endGuess), and
    // whoever knows the state the block follows puts it right.
    TextCodec::State state = 0, endState = 0;
    TextCodec::State guess = 0, endGuess = 0;
    // Of the block's bytes, taken as they were scanned: a block read again
    // is the one indexed only when its digest is the same.
    quint64 digest = 0;
};

// A fast 64-bit digest of bytes (not for security: it tells a block read
// again from one that was rewritten).
quint64 digest(const char* data, qint64 size);

// Decoded text of a byte range: line ends become one '\n' each and NUL becomes
// U+FFFD. lineStarts holds 0 and the position after every '\n'.
struct Decoded {
    QString text;
    std::vector<qint32> lineStarts;
    qint64 newlines() const { return qint64(lineStarts.size()) - 1; }
    bool endsWithNewline() const { return !text.isEmpty() && text.back() == u'\n'; }
    // Recomputes lineStarts after text was changed in place.
    void index();
};
Decoded decode(const TextCodec& codec, const char* data, qint64 size, TextCodec::State state = 0);
// Characters that decode() gives for a byte range holding crlfs CR LF pairs
// (each one character), without decoding where the codec can count (a
// stateful one is decoded from state).
qint64 exactChars(const TextCodec& codec, const char* data, qint64 size, qint64 crlfs, TextCodec::State state = 0);
// Puts '\n' for CR LF, lone CR and LF and U+FFFD for NUL into text, in place.
void normalize(QString& text);

// Read at a time by a scan.
constexpr qint64 kChunkBytes = 4 << 20;

// How a scan of one range may be steered from outside.
struct ScanControl {
    // Once set, the scan ends before reading its next chunk.
    const std::atomic<bool>* cancel = nullptr;
    // The scan ends at the first block end at least this many bytes from its
    // start (-1: never); a later scan may go on from there.
    qint64 stopAfter = -1;
    // Takes the blocks found so far, after every chunk.
    std::function<void(std::vector<Block>&)> flush;
    QuickCount quick = QuickCount::None;
};

// Bytes before a scan's start looked through for the escapes that set a
// stateful encoding's state there.
constexpr qint64 kLookBackBytes = 1 << 20;

// Scans [begin, end) of the open file fd (begin starts a line) on the calling
// thread, appending to out. Returns where the reading ended (short of end when
// the file shrank) or where the scan stopped (a block end; with stopAfter).
// Throws VarError::streamRead() on a read error.
qint64 scanRange(int fd, qint64 begin, qint64 end, const TextCodec& codec, std::vector<Block>& out,
                 const ScanControl& control = {}, qint64 chunkBytes = kChunkBytes);

// The first line start behind an LF at or after from (in units counted from
// origin, which starts a character), looked for up to a megabyte ahead and
// before end; -1 when there is none that near.
qint64 nextLineStart(int fd, qint64 origin, qint64 from, qint64 end, const TextCodec& codec);

// Reads up to size bytes at offset; fewer at the end of the file. Throws on a
// read error.
qint64 readAt(int fd, qint64 offset, char* buffer, qint64 size);

// Reads what the descriptor holds from its current position on, for a stream
// (pipe, device) that has no size to trust. Throws VarError::streamRead() on a
// read error and when there is more than maxBytes: a device that never ends
// is refused, not read until memory runs out.
QByteArray readStream(int fd, qint64 maxBytes);

}
