#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QString>
#include <mutex>

namespace ostrevin {

/// The bounded buffer of one output stream of a child process. Keeps the first
/// byteLimit bytes and drops the rest, remembering that it did, so a talkative
/// tool can be drained forever without the buffer growing.
class PipeAccumulator {
    Q_DECLARE_TR_FUNCTIONS(PipeAccumulator)

public:
    /// The most bytes kept per stream of every device tool run.
    static constexpr qsizetype defaultByteLimit = 1'048'576;

    explicit PipeAccumulator(qsizetype byteLimit = defaultByteLimit);

    void append(QByteArrayView chunk);

    /// The kept bytes as UTF-8 (ill-formed sequences, such as a character cut at
    /// the limit, become U+FFFD) followed by a truncation note when bytes were dropped.
    QString stringValue() const;

    QByteArray data() const;
    bool wasTruncated() const;
    qsizetype byteLimit() const { return m_byteLimit; }

private:
    mutable std::mutex m_lock;
    const qsizetype m_byteLimit;
    QByteArray m_data;
    bool m_wasTruncated = false;
};

} // namespace ostrevin
