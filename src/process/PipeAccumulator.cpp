#include "process/PipeAccumulator.h"

#include <QLocale>
#include <algorithm>

namespace ostrevin {

PipeAccumulator::PipeAccumulator(qsizetype byteLimit) : m_byteLimit(byteLimit)
{
}

void PipeAccumulator::append(QByteArrayView chunk)
{
    if (chunk.isEmpty())
        return;
    std::lock_guard guard(m_lock);
    const qsizetype room = m_byteLimit - m_data.size();
    if (room < 1) {
        m_wasTruncated = true;
        return;
    }
    const qsizetype taken = std::min(room, chunk.size());
    // Grow geometrically but never past the limit, so a full buffer costs the
    // limit and not the next power of two above it.
    const qsizetype needed = m_data.size() + taken;
    if (needed > m_data.capacity())
        m_data.reserve(std::min(m_byteLimit, std::max(needed, 2 * m_data.capacity())));
    m_data.append(chunk.first(taken));
    if (chunk.size() > room)
        m_wasTruncated = true;
}

QString PipeAccumulator::stringValue() const
{
    std::lock_guard guard(m_lock);
    QString text = QString::fromUtf8(m_data);
    if (m_wasTruncated) {
        const QString size = QLocale().formattedDataSize(m_byteLimit, 0, QLocale::DataSizeTraditionalFormat);
        //: Appended to long technical command output in diagnostics. %1 is a size such as “1 MB”.
        text += u'\n' + tr("[Ostrevin: output truncated to %1.]").arg(size);
    }
    return text;
}

QByteArray PipeAccumulator::data() const
{
    std::lock_guard guard(m_lock);
    return m_data;
}

bool PipeAccumulator::wasTruncated() const
{
    std::lock_guard guard(m_lock);
    return m_wasTruncated;
}

} // namespace ostrevin
