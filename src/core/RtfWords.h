#pragma once
#include <QByteArray>

// Control words of rich text that stand for something fixed.
namespace RtfWords {

// Destinations whose text is not the document's text: tables, the document's
// information, pictures and objects, headers, footers, footnotes, field
// instructions and the like.
bool isSkippedDestination(const QByteArray& word);

// The character a word stands for (\emdash, \bullet, \ldblquote...); 0 for others.
char16_t character(const QByteArray& word);

}
