#pragma once
#include <QString>

// What several benchmarks share: generated Japanese text files and the
// process's own memory figures.
namespace BenchData {

// Writes about size bytes of mixed Japanese log-like lines (kana, kanji,
// half-width katakana, ASCII words; CR LF), the same lines for the same size
// every time, then lastLine with its CR LF; CP932 or UTF-8. False when the
// file cannot be written.
bool writeJapaneseLines(const QString& path, qint64 size, bool utf8, const QString& lastLine);

// A figure of /proc/self/status ("VmRSS:", "VmHWM:") in MB; 0 when unknown.
double statusMb(const char* key);

} // namespace BenchData
