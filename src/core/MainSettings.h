#pragma once
#include <QString>
#include <QtGlobal>

#include <optional>

// appcfgs.cfg: the main window's state from one run to the next, 13 lines:
// the header, the outer bounds (top, left, width, height), word wrap (inverted),
// the text pane's font face and size, its font and fill colours, direct
// launching available and on (both inverted) and the list's width.
namespace MainSettings {
constexpr int Lines = 13;
// The largest font size that makes sense on a screen; a stored size beyond it
// (either way: a negative size is a character height in pixels) is taken as
// that size.
constexpr int MaxFontSize = 1638;
QString fileName();   // "appcfgs.cfg"
QString header();     // "Vardolin Ver " and the version: "Vardolin Ver 1.05"

// Outer bounds as 32-bit values, taken as the file has them (a QRect would
// overflow on its right edge for the largest ones).
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Everything that is written at close.
struct Values {
    Bounds bounds;
    bool wordWrap = false;
    QString fontFace;
    int fontSize = 0;
    qint32 textColor = 0;    // the pane's font colour
    qint32 fillColor = 0;    // the pane's fill colour
    bool directEnabled = false;
    bool directOn = false;
    int listWidth = 0;
};

// What a reading got, in the order the lines are applied. A line that is no
// integer ends the reading; the values before it are set and count, the rest
// stay unset.
struct Read {
    std::optional<Bounds> bounds;
    std::optional<bool> wordWrap;
    std::optional<QString> fontFace;
    std::optional<int> fontSize;
    std::optional<qint32> textColor;
    std::optional<qint32> fillColor;
    std::optional<bool> directEnabled;
    std::optional<bool> directOn;
    std::optional<int> listWidth;
};

// Reads the file into `read` (cleared first). False when its header is not
// this version's, byte for byte: then nothing is set. Throws VarError: cannot
// open (nothing set), or not an integer (the values before that line set).
bool load(const QString& path, Read* read);
// Writes the 13 lines, replacing the file; throws VarError::cannotCreate.
void save(const QString& path, const Values& values);
}
