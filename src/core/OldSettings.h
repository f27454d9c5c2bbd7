#pragma once
#include "LineBuffer.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>

// Conversion of the settings files of Ver1.02 into the current ones. The old
// lines are copied byte for byte: their layout is the first part of the new one,
// and the new file keeps the old one's encoding.
namespace OldSettings {
QString oldItemsFile();            // "appitem.cfg"
QString oldIconFile(int n);        // "gitemN.bmp", n = 1..3
QString oldMainFile();             // "appcfg.cfg"
constexpr int OldIconCount = 3;

// appitems.cfg from the lines of appitem.cfg: the old lines, then slots 4 and 5
// unregistered.
QStringList appItemLines(const QStringList& oldLines);
// appcfgs.cfg from the lines of appcfg.cfg: the header, the old lines, then
// direct launching unavailable and off, and the default list width.
QStringList mainSettingsLines(const QStringList& oldLines);

// Only a regular file counts as present; a folder or a device of that name
// does not.
bool isPresent(const QString& path);

// Both old text files have nine lines of at most MaxLineBytes bytes.
constexpr int OldLines = 9;
// A few lines more than that are copied as they stand (the old version's own
// files may carry them); this many is no settings file of its.
constexpr int MaxOldLines = 64;
// Whether the bytes are an old text file the old version could have written:
// no NUL or other control byte besides tab and the line ends, no more lines
// than MaxOldLines, no line longer than a line can hold (so that nothing is
// cut on the way). Bytes that are no CP932 character are no reason to refuse:
// they are copied as they stand.
bool plausibleOldFile(const QByteArray& bytes);
// Why an old text file is refused: the first fault found, with the line
// (from 1) it is on and, for a control byte, that byte.
struct Fault {
    enum Kind { None, TooBig, ControlByte, LineTooLong, TooManyLines } kind = None;
    int line = 0;
    unsigned char byte = 0;
};
Fault oldFileFault(const QByteArray& bytes);
// The reason in the user's words, e.g. "3 行目に制御文字 (0x1B) があります。".
QString faultText(const Fault& fault);
// Whether the bytes of a written file give back every line of `written` that
// was copied from an old file (`copied` lines from line `first`) with its very
// bytes, and as many lines in all.
bool copiedWhole(const LineBuffer& written, int first, int copied, const QByteArray& onDisk);

enum class AppsResult { Converted, ItemsMissing, ItemsImplausible, ImagesMissing };

// Writes appitems.cfg from appitem.cfg and IconImg1..3.bmp from gitem1..3.bmp.
// `buffer` holds the old lines, `images` the three old bitmaps (working
// storage the caller owns). An implausible appitem.cfg is refused before
// anything is written. With deleteOld, each old file goes only after the new
// file made from it has been written and read back whole. A file that cannot
// be read or written (or does not read back as written) throws VarError: what
// was written before stays, and no old file whose new file is missing is
// deleted. A damaged bitmap is found before any icon file is written or any
// old file deleted. Every file is written with `durability`.
// With `fault`, an implausible appitem.cfg says there why.
AppsResult convertApps(const QString& dir, bool deleteOld, LineBuffer& buffer,
                       std::array<QImage, OldIconCount>& images, Fault* fault = nullptr,
                       Durability durability = Durability::Synced);

enum class MainResult { Converted, Missing, Implausible };

// Writes appcfgs.cfg from appcfg.cfg; when appcfg.cfg is missing or
// implausible nothing is written. `oldLines` and `newLines` are working storage.
MainResult convertMainSettings(const QString& dir, bool deleteOld, LineBuffer& oldLines, LineBuffer& newLines,
                               Fault* fault = nullptr,
                               Durability durability = Durability::Synced);
}
