#include "packaging/programicon.h"

#include <QDir>
#include <QFileInfo>

namespace packaging {

QIcon programIcon(const QString& name) {
    QIcon icon;
    // One folder a size, as in the icon theme: the build decides the sizes, not this code.
    const QDir sizes(QStringLiteral(":/icons"));
    for (const QString& size : sizes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString file = sizes.filePath(size + u'/' + name + QStringLiteral(".png"));
        if (QFileInfo::exists(file))
            icon.addFile(file);
    }
    return icon;
}

QIcon windowIcon(const QString& name) {
    return QIcon::fromTheme(name, programIcon(name));
}

}  // namespace packaging
