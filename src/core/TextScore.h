#pragma once
#include <QtGlobal>

#include <limits>

// How plausible a text is as Japanese: each character costs roughly ten
// times the negative log of its likelihood in ordinary Japanese writing, with
// its neighbour taken into account. The detector decodes a sample in each
// candidate encoding and takes the cheapest reading.
namespace TextScore {

struct Score {
    qint64 bound = std::numeric_limits<qint64>::max();   // give up beyond this cost
    bool abandoned = false;
    qint64 cost = 0;
    qsizetype units = 0;
    qsizetype bad = 0;       // controls, replacement characters, private use, unpaired surrogates
    qsizetype nonCore = 0;   // anything but kana, kanji and the common Japanese punctuation
};

// Adds the cost of n code units to sc; gives up (abandoned) once the cost
// passes sc.bound.
void scoreText(const char16_t* s, qsizetype n, Score& sc);

}
