#pragma once
#include "LineBuffer.h"

#include <QImage>
#include <QString>

#include <array>

// The five application slots as appitems.cfg and IconImg1..5.bmp store them.
namespace AppSlots {
constexpr int Count = 5;
constexpr int FileLines = 3 * Count;   // the lines of appitems.cfg that are read
// The marker of an unregistered slot; any other title, the empty one included,
// is a registered slot.
inline QString unregistered() { return QStringLiteral("（未登録）"); }
inline bool isRegistered(const QString& title) { return title != unregistered(); }
QString itemsFile();                      // "appitems.cfg"
QString iconFile(int n);                  // "IconImgN.bmp", n = 1..5

struct Row {
    QString title;
    QString path;
    QString option;
};

// One registered application as the main window holds it. The icon is the
// one picture of the slot: the tool button shows it, the registration dialog
// copies it into its row, and it is what was last loaded or confirmed.
struct Slot {
    QString title = unregistered();
    QString path;
    QString option;
    QImage icon;   // null until an icon is loaded or confirmed
    bool registered() const { return isRegistered(title); }
};

// The five slots, numbered 1..5. Every change of a slot goes through here so
// that texts and icon cannot drift apart from what is shown and saved.
class Table {
public:
    // Slot n; a number out of range reads as an unregistered slot.
    const Slot& at(int n) const;
    static bool valid(int n) { return n >= 1 && n <= Count; }
    // The texts read from appitems.cfg; the icon stays as it was.
    void setTexts(int n, const Row& row);
    void setIcon(int n, const QImage& icon);
    // "決定" of the registration dialog: the row's texts and picture become
    // the slot; an unregistered slot keeps no path or option to start.
    void confirm(int n, const Row& row, const QImage& icon);

private:
    std::array<Slot, Count> m_slots;
};

// Reads slot n (1..5) from the loaded lines (missing lines read as empty).
Row rowFromLines(const LineBuffer& lines, int n);

// The writer: appitems.cfg from the five rows, then the five icon files (an
// empty picture is written as a blank one). Stops with VarError at the first
// file that cannot be written; the files written before it stay.
void save(const QString& settingsDir, const std::array<Row, Count>& rows, const std::array<QImage, Count>& images);

// Loads a BMP file of any depth a BMP reader accepts; throws VarError
// (cannot open) when missing or not a bitmap.
QImage loadBitmap(const QString& path);
// Writes an image as a 24-bit BMP, replacing the file atomically; throws
// VarError (cannot create).
void saveBitmap(const QImage& image, const QString& path, Durability durability = Durability::Synced);
// A 17 x 17 image filled with the button-face colour.
QImage blankIcon();

// Drawing on a slot's picture as on a picture box: an empty (null) picture
// becomes a 17 x 17 canvas of the button-face colour at the first drawing.
// Brush and pen of the button-face colour over the whole picture.
void fillButtonFace(QImage* picture);
// An opaque copy of `source` at (0, 0), cut at the canvas; an empty source
// draws nothing and leaves the picture as it was.
void drawOpaque(QImage* picture, const QImage& source);
// `image` at (0, 0) with its transparency: its transparent pixels keep what is
// under them. An empty image draws nothing.
void drawOver(QImage* picture, const QImage& image);
}
