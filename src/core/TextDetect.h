#pragma once
#include "TextCodec.h"

// Finds the encoding of a text file from its bytes alone. Japanese text files
// come in several encodings side by side: a byte-order mark wins, ISO-2022-JP
// shows itself by its escape sequences, and otherwise every encoding that
// could have produced the bytes is read on a sample by its codec and the one
// giving the most plausible Japanese text is taken. CP932 wins whenever the
// others are not clearly better.
namespace TextDetect {

struct Detection {
    TextEncoding encoding = TextEncoding::Cp932;
    bool bom = false;   // the data starts with this encoding's byte-order mark
};

Detection detect(const char* data, qsizetype size);
inline Detection detect(const QByteArray& bytes) { return detect(bytes.constData(), bytes.size()); }

}
