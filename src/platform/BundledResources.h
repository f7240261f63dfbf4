#pragma once

#include <QString>

namespace ostrevin {

/// The folder of the files that ship beside the program (the runtime's requirements
/// file, the network-preference files): "share/ostrevin" next to the executable in
/// a build tree, "../share/ostrevin" from an installed "bin/ostrevin". The modules
/// the program loads when it needs them sit in "lib/ostrevin" by the same rule.
class BundledResources {
public:
    /// The first of the two folders that exists; the installed one when neither does.
    static QString directory();
    /// The same choice below an explicit program folder.
    static QString directoryFor(const QString& applicationDirectory);
    /// The folder of the program's own modules, chosen the same way.
    static QString moduleDirectory();
    static QString moduleDirectoryFor(const QString& applicationDirectory);
};

} // namespace ostrevin
