#pragma once
// Building blocks of forms saved in binary, for tests and benchmarks that make their own.

#include <QByteArray>

// `v` as `size` little-endian bytes.
inline QByteArray Le(quint64 v, int size) {
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b += char((v >> (8 * i)) & 0xFF);
    return b;
}

// A short string: its length byte, then its characters.
inline QByteArray Short(const QByteArray& s) {
    return char(s.size()) + s;
}
