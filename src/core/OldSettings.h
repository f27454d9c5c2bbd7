#pragma once
#include <QImage>
#include <QString>
#include <QStringList>

#include <array>

class LineBuffer;

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

enum class AppsResult { Converted, ItemsMissing, ImagesMissing };

// Writes appitems.cfg from appitem.cfg and IconImg1..3.bmp from gitem1..3.bmp.
// `buffer` holds the old lines, `images` the three old bitmaps (working
// storage the caller owns). With deleteOld, each old file goes only after the
// new file made from it has been written. A file that cannot be read or
// written throws VarError: what was written before stays, and no old file
// whose new file is missing is deleted. A damaged bitmap is found before any
// icon file is written or any old file deleted.
AppsResult convertApps(const QString& dir, bool deleteOld, LineBuffer& buffer,
                       std::array<QImage, OldIconCount>& images);

// Writes appcfgs.cfg from appcfg.cfg; false when appcfg.cfg is missing (then
// nothing is written). `oldLines` and `newLines` are working storage.
bool convertMainSettings(const QString& dir, bool deleteOld, LineBuffer& oldLines, LineBuffer& newLines);
}
