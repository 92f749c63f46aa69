#pragma once

#include "packet.h"

#include <QByteArray>
#include <QtGlobal>

namespace orb {

// A member of a record, whichever width it has; values pass as the bits the member holds.
template<typename Record> class Record_member
{
public:
    constexpr Record_member(quint8 Record::*m)
        : u8(m)
    {}
    constexpr Record_member(qint8 Record::*m)
        : s8(m)
    {}
    constexpr Record_member(quint16 Record::*m)
        : u16(m)
    {}
    constexpr Record_member(quint32 Record::*m)
        : u32(m)
    {}

    quint32 get(const Record &r) const
    {
        if (u8)
            return r.*u8;
        if (s8)
            return quint8(r.*s8);
        if (u16)
            return r.*u16;
        return u32 ? r.*u32 : 0;
    }

    // The value as the member reads it: a signed byte is negative above 0x7F.
    qint64 number(const Record &r) const { return s8 ? qint64(r.*s8) : qint64(get(r)); }

    // Keeps the low bits that the member holds.
    void set(Record &r, quint32 v) const
    {
        if (u8)
            r.*u8 = quint8(v);
        else if (s8)
            r.*s8 = qint8(quint8(v));
        else if (u16)
            r.*u16 = quint16(v);
        else if (u32)
            r.*u32 = v;
    }

    constexpr bool operator==(const Record_member &o) const
    {
        return u8 == o.u8 && s8 == o.s8 && u16 == o.u16 && u32 == o.u32;
    }

private:
    quint8 Record::*u8 = nullptr;
    qint8 Record::*s8 = nullptr;
    quint16 Record::*u16 = nullptr;
    quint32 Record::*u32 = nullptr;
};

// A field of a record: its module name, where it lies and how many bytes it takes.
template<typename Record> struct Record_field
{
    const char *name;
    int offset;
    int width;    // 1, 2 or 4
    bool seconds; // counts seconds
    Record_member<Record> member;

    // Largest value the field holds.
    constexpr quint32 max() const { return quint32(0xFFFFFFFFull >> (32 - 8 * width)); }
};

// The record's bytes: every field little-endian at its offset.
template<typename Record, int N>
QByteArray encode_fields(const Record &r, const Record_field<Record> (&fields)[N])
{
    QByteArray out(Record::size, '\0');
    for (const Record_field<Record> &f : fields) {
        if (f.offset >= 0 && f.offset + f.width <= out.size())
            set_le(out, f.offset, f.width, f.member.get(r));
    }
    return out;
}

// False, with out untouched, for a payload shorter than the record; bytes past it are ignored.
template<typename Record, int N>
bool decode_fields(const QByteArray &payload, const Record_field<Record> (&fields)[N], Record *out)
{
    if (!out || payload.size() < Record::size)
        return false;
    Record r;
    for (const Record_field<Record> &f : fields) {
        if (f.offset < 0 || f.offset + f.width > payload.size())
            return false;
        f.member.set(r, get_le(payload, f.offset, f.width));
    }
    *out = r;
    return true;
}

} // namespace orb
