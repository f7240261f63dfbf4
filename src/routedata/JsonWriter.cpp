#include "routedata/JsonWriter.h"

#include "routedata/JsonCodingError.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cmath>

namespace ostrevin {

namespace {

constexpr int indentWidth = 4;

void appendDigits(QByteArray& out, int value, int width)
{
    char buf[8];
    for (int i = width - 1; i >= 0; --i) {
        buf[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(buf, width);
}

} // namespace

void JsonWriter::indent()
{
    m_out.append(m_hasElement.size() * indentWidth, ' ');
}

void JsonWriter::beginValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_hasElement.isEmpty())
        return;
    m_out.append(m_hasElement.back() ? ",\n" : "\n");
    m_hasElement.back() = true;
    indent();
}

void JsonWriter::open(char bracket)
{
    beginValue();
    m_out.append(bracket);
    m_hasElement.append(false);
}

void JsonWriter::close(char bracket)
{
    const bool hadElements = m_hasElement.back();
    m_hasElement.removeLast();
    if (hadElements) {
        m_out.append('\n');
        indent();
    }
    m_out.append(bracket);
}

void JsonWriter::key(QLatin1String name)
{
    beginValue();
    m_out.append('"');
    m_out.append(name.data(), name.size());
    m_out.append("\": ");
    m_afterKey = true;
}

void JsonWriter::appendEscaped(QStringView text)
{
    m_out.append('"');
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p != end) {
        // Copy the longest run that needs no escaping in one go. A surrogate
        // without its partner has no UTF-8 form (it would become "?"): it is
        // written escaped, so the file keeps exactly what was read.
        const char16_t* run = p;
        while (p != end && *p >= 0x20 && *p != u'"' && *p != u'\\') {
            if (QChar::isHighSurrogate(*p) && p + 1 != end && QChar::isLowSurrogate(p[1]))
                p += 2;
            else if (QChar::isSurrogate(*p))
                break;
            else
                ++p;
        }
        if (p != run)
            m_out.append(QStringView(run, p).toUtf8());
        if (p == end)
            break;
        const char16_t c = *p++;
        switch (c) {
        case u'"':
            m_out.append("\\\"");
            break;
        case u'\\':
            m_out.append("\\\\");
            break;
        case u'\n':
            m_out.append("\\n");
            break;
        case u'\r':
            m_out.append("\\r");
            break;
        case u'\t':
            m_out.append("\\t");
            break;
        case u'\b':
            m_out.append("\\b");
            break;
        case u'\f':
            m_out.append("\\f");
            break;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            const char esc[] = {'\\',        'u', hex[(c >> 12) & 0xf], hex[(c >> 8) & 0xf], hex[(c >> 4) & 0xf],
                                hex[c & 0xf]};
            m_out.append(esc, sizeof esc);
        }
        }
    }
    m_out.append('"');
}

void JsonWriter::value(QStringView text)
{
    beginValue();
    appendEscaped(text);
}

void JsonWriter::value(double number, QLatin1String field)
{
    if (!std::isfinite(number))
        throw JsonCodingError::notFinite(field);
    beginValue();
    m_out.append(QByteArray::number(number, 'g', QLocale::FloatingPointShortest));
}

void JsonWriter::value(const QUuid& uuid)
{
    beginValue();
    m_out.append('"');
    m_out.append(uuid.toByteArray(QUuid::WithoutBraces).toUpper());
    m_out.append('"');
}

void JsonWriter::value(const QDateTime& date, QLatin1String field)
{
    if (!date.isValid())
        throw JsonCodingError::unwritableDate(field);
    const QDateTime utc = date.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    if (d.year() < 1 || d.year() > 9999)
        throw JsonCodingError::unwritableDate(field);
    beginValue();
    m_out.append('"');
    appendDigits(m_out, d.year(), 4);
    m_out.append('-');
    appendDigits(m_out, d.month(), 2);
    m_out.append('-');
    appendDigits(m_out, d.day(), 2);
    m_out.append('T');
    appendDigits(m_out, t.hour(), 2);
    m_out.append(':');
    appendDigits(m_out, t.minute(), 2);
    m_out.append(':');
    appendDigits(m_out, t.second(), 2);
    m_out.append("Z\"");
}

QByteArray JsonWriter::take()
{
    if (m_hasElement.isEmpty() && !m_out.isEmpty())
        m_out.append('\n');
    m_afterKey = false;
    m_hasElement.clear();
    return std::exchange(m_out, {});
}

} // namespace ostrevin
