#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// Fuzz input as the bytes a line or a file would deliver.
inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}
