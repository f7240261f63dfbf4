#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace ostrevin::test {

/// A temporary folder removed with the object, with a short path helper.
class TempDir {
public:
    TempDir() { m_dir.setAutoRemove(true); }
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

/// Writes bytes to a file, creating folders on the way; returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
/// The whole file, or an empty array when it cannot be read.
QByteArray readFile(const QString& path);
/// The lines of a text a fake tool wrote, without the empty one after the last newline.
QStringList lines(const QByteArray& bytes);

} // namespace ostrevin::test
