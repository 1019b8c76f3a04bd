#pragma once

// Little-endian byte order for stored records (the attribute record, the
// keypad map, CRC trailers). The stored layout is fixed, whatever the CPU:
// these helpers build and read the bytes one by one, so they give the same
// file on the handheld's ARM CPU and on a development PC, never read past the
// bytes they are given, and do not care whether `char` is signed.
//
// The pointers may point anywhere (no alignment needed). Signed values are
// stored in two's complement.

#include <cstddef>
#include <cstdint>

inline void put_le16(void *dst, uint16_t v)
{
    uint8_t *p = static_cast<uint8_t *>(dst);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void put_le32(void *dst, uint32_t v)
{
    uint8_t *p = static_cast<uint8_t *>(dst);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint16_t get_le16(const void *src)
{
    const uint8_t *p = static_cast<const uint8_t *>(src);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t get_le32(const void *src)
{
    const uint8_t *p = static_cast<const uint8_t *>(src);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Two's complement without implementation-defined conversions.
inline void put_le16s(void *dst, int16_t v)
{
    put_le16(dst, static_cast<uint16_t>(v));
}
inline void put_le32s(void *dst, int32_t v)
{
    put_le32(dst, static_cast<uint32_t>(v));
}

inline int16_t get_le16s(const void *src)
{
    uint16_t u = get_le16(src);
    return u < 0x8000u ? static_cast<int16_t>(u) : static_cast<int16_t>(static_cast<int32_t>(u) - 0x10000);
}

inline int32_t get_le32s(const void *src)
{
    uint32_t u = get_le32(src);
    return u < 0x80000000u ? static_cast<int32_t>(u)
                           : static_cast<int32_t>(static_cast<int64_t>(u) - INT64_C(0x100000000));
}

// Whole arrays of 32-bit or 16-bit signed fields, as stored records are laid
// out: `count` values to or from `count` * 4 (or 2) bytes, each field written
// by `put` or read by `get`.
template <typename Field> inline void put_le_fields(void *dst, const Field *v, size_t count, void (*put)(void *, Field))
{
    uint8_t *p = static_cast<uint8_t *>(dst);
    for (size_t i = 0; i < count; i++)
        put(p + sizeof(Field) * i, v[i]);
}

template <typename Field> inline void get_le_fields(const void *src, Field *v, size_t count, Field (*get)(const void *))
{
    const uint8_t *p = static_cast<const uint8_t *>(src);
    for (size_t i = 0; i < count; i++)
        v[i] = get(p + sizeof(Field) * i);
}

inline void put_le32s_array(void *dst, const int32_t *v, size_t count)
{
    put_le_fields(dst, v, count, put_le32s);
}
inline void get_le32s_array(const void *src, int32_t *v, size_t count)
{
    get_le_fields(src, v, count, get_le32s);
}
inline void put_le16s_array(void *dst, const int16_t *v, size_t count)
{
    put_le_fields(dst, v, count, put_le16s);
}
inline void get_le16s_array(const void *src, int16_t *v, size_t count)
{
    get_le_fields(src, v, count, get_le16s);
}
