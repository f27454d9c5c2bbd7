#include "IntConv.h"

#include "VarError.h"

bool tryStrToInt(const QString& text, int* value)
{
    qsizetype i = 0, n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' ')) ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        hex = true;
        ++i;
    }
    if (i >= n) return false;
    quint64 acc = 0;
    const quint64 limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    for (; i < n; ++i) {
        char16_t c = text.at(i).unicode();
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        acc = acc * (hex ? 16 : 10) + static_cast<quint64>(d);
        if (acc > limit) return false;
    }
    quint32 bits = static_cast<quint32>(acc);
    if (negative) bits = 0u - bits;
    *value = static_cast<int>(bits);
    return true;
}

int strToInt(const QString& text)
{
    int v = 0;
    if (!tryStrToInt(text, &v)) throw VarError::notInteger(text);
    return v;
}
