#include "statdesk/ViewerStoreOpening.h"

#include "common/Store.h"
#include "common/StoreProblem.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <unistd.h>

namespace {

// With the process's effective rights: root without its override capabilities is refused too.
bool IsWritableFolder(const QString& folder) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) == 0;
}

} // namespace

bool OpenStoreForViewing(Store& store, const QString& path) {
    if (store.open(path))
        return true;
    if (StoreProblem::kindOf(store.lastError()) != StoreProblem::Kind::NoAccess ||
        IsWritableFolder(QFileInfo(path).absolutePath()))
        return false;
    return store.openReadOnly(path);
}
