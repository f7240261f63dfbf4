#pragma once

#include <QString>

namespace ostrevin {

/// The folder of the files that ship beside the program (the runtime's requirements
/// file, the network-preference files): "share/ostrevin" next to the executable in
/// a build tree, "../share/ostrevin" from an installed "bin/ostrevin".
class BundledResources {
public:
    /// The first of the two folders that exists; the installed one when neither does.
    static QString directory();
    /// The same choice below an explicit program folder.
    static QString directoryFor(const QString& applicationDirectory);
};

} // namespace ostrevin
