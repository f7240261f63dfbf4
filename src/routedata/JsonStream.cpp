#include "routedata/JsonStream.h"

#include <charconv>
#include <cmath>

namespace ostrevin {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the well-formed UTF-8 sequence at p, or 0. Noncharacters count as
// ill-formed too: whatever the ordinary reader makes of them, it decides.
int utf8SequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned char lead = *p;
    int length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
    if (overlong || surrogate || nonCharacter || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

void JsonStream::skipSpace()
{
    while (m_p != m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
        ++m_p;
}

bool JsonStream::take(char c)
{
    skipSpace();
    if (m_p == m_end || *m_p != c)
        return false;
    ++m_p;
    return true;
}

bool JsonStream::atEnd()
{
    skipSpace();
    return m_p == m_end;
}

std::optional<QByteArrayView> JsonStream::key()
{
    if (!take('"'))
        return std::nullopt;
    const char* start = m_p;
    while (m_p != m_end && *m_p != '"') {
        const auto c = static_cast<unsigned char>(*m_p);
        if (c < 0x20 || c >= 0x80 || c == '\\')
            return std::nullopt;
        ++m_p;
    }
    if (m_p == m_end)
        return std::nullopt;
    return QByteArrayView(start, m_p++);
}

std::optional<QString> JsonStream::string()
{
    if (!take('"'))
        return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(m_p);
    const auto* end = reinterpret_cast<const unsigned char*>(m_end);
    const auto* start = p;
    bool ascii = true;
    while (p != end && *p != '"') {
        if (*p < 0x80) {
            if (*p < 0x20 || *p == '\\')
                return std::nullopt;
            ++p;
            continue;
        }
        const int length = utf8SequenceLength(p, end);
        if (length == 0)
            return std::nullopt;
        ascii = false;
        p += length;
    }
    if (p == end)
        return std::nullopt;
    const QByteArrayView text(start, p);
    m_p = reinterpret_cast<const char*>(p + 1);
    return ascii ? QString::fromLatin1(text) : QString::fromUtf8(text);
}

std::optional<double> JsonStream::number()
{
    skipSpace();
    // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
    const char* start = m_p;
    const char* p = m_p;
    if (p != m_end && *p == '-')
        ++p;
    if (p == m_end || !isDigit(*p))
        return std::nullopt;
    if (*p++ != '0') {
        while (p != m_end && isDigit(*p))
            ++p;
    }
    bool integer = true;
    if (p != m_end && *p == '.') {
        integer = false;
        if (++p == m_end || !isDigit(*p))
            return std::nullopt;
        while (p != m_end && isDigit(*p))
            ++p;
    }
    if (p != m_end && (*p == 'e' || *p == 'E')) {
        integer = false;
        if (++p != m_end && (*p == '+' || *p == '-'))
            ++p;
        if (p == m_end || !isDigit(*p))
            return std::nullopt;
        while (p != m_end && isDigit(*p))
            ++p;
    }
    // Long digit strings, zeros, underflow and overflow are left to the ordinary
    // reader, whose rounding and errors for them are its own.
    if (p - start > 40)
        return std::nullopt;
    m_p = p;
    if (integer) {
        long long whole = 0;
        const auto [end, error] = std::from_chars(start, p, whole);
        if (error == std::errc() && end == p && (whole != 0 || *start != '-'))
            return static_cast<double>(whole);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(start, p, value);
    if (error != std::errc() || end != p || !std::isnormal(value))
        return std::nullopt;
    return value;
}

bool JsonStream::null()
{
    skipSpace();
    if (m_end - m_p < 4 || QByteArrayView(m_p, 4) != "null")
        return false;
    m_p += 4;
    return true;
}

} // namespace ostrevin
