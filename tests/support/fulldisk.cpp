#include "tests/support/fulldisk.h"

#include <sqlite3.h>

namespace testsupport::fulldisk {

namespace {

sqlite3_vfs* real = nullptr;
sqlite3_vfs vfs;
sqlite3_io_methods methods;
int counted = 0;
int failFrom = 0;  // 0: the disk never fills

// The real file sits right behind the shim's, in the space szOsFile asks for.
struct File {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* inner(sqlite3_file* file) {
    return reinterpret_cast<File*>(file)->real;
}

int write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    sqlite3_file* target = inner(file);
    if (failFrom > 0 && ++counted >= failFrom) {
        sqlite3_int64 size = 0;
        if (target->pMethods->xFileSize(target, &size) != SQLITE_OK || offset + amount > size)
            return SQLITE_FULL;
    }
    return target->pMethods->xWrite(target, data, amount, offset);
}

int open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* shim = reinterpret_cast<File*>(file);
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    const int rc = real->xOpen(real, name, shim->real, flags, outFlags);
    if (shim->real->pMethods == nullptr) {
        file->pMethods = nullptr;
        return rc;
    }
    if (methods.xWrite == nullptr) {
        methods = *shim->real->pMethods;
        // Everything but the write goes straight to the real file.
        methods.xClose = [](sqlite3_file* f) { return inner(f)->pMethods->xClose(inner(f)); };
        methods.xRead = [](sqlite3_file* f, void* d, int n, sqlite3_int64 o) {
            return inner(f)->pMethods->xRead(inner(f), d, n, o);
        };
        methods.xWrite = write;
        methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 s) {
            return inner(f)->pMethods->xTruncate(inner(f), s);
        };
        methods.xSync = [](sqlite3_file* f, int x) {
            return inner(f)->pMethods->xSync(inner(f), x);
        };
        methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* s) {
            return inner(f)->pMethods->xFileSize(inner(f), s);
        };
        methods.xLock = [](sqlite3_file* f, int l) {
            return inner(f)->pMethods->xLock(inner(f), l);
        };
        methods.xUnlock = [](sqlite3_file* f, int l) {
            return inner(f)->pMethods->xUnlock(inner(f), l);
        };
        methods.xCheckReservedLock = [](sqlite3_file* f, int* r) {
            return inner(f)->pMethods->xCheckReservedLock(inner(f), r);
        };
        methods.xFileControl = [](sqlite3_file* f, int op, void* a) {
            return inner(f)->pMethods->xFileControl(inner(f), op, a);
        };
        methods.xSectorSize = [](sqlite3_file* f) {
            return inner(f)->pMethods->xSectorSize(inner(f));
        };
        methods.xDeviceCharacteristics = [](sqlite3_file* f) {
            return inner(f)->pMethods->xDeviceCharacteristics(inner(f));
        };
        methods.xShmMap = [](sqlite3_file* f, int r, int s, int e, void volatile** p) {
            return inner(f)->pMethods->xShmMap(inner(f), r, s, e, p);
        };
        methods.xShmLock = [](sqlite3_file* f, int o, int n, int l) {
            return inner(f)->pMethods->xShmLock(inner(f), o, n, l);
        };
        methods.xShmBarrier = [](sqlite3_file* f) { inner(f)->pMethods->xShmBarrier(inner(f)); };
        methods.xShmUnmap = [](sqlite3_file* f, int d) {
            return inner(f)->pMethods->xShmUnmap(inner(f), d);
        };
        methods.xFetch = [](sqlite3_file* f, sqlite3_int64 o, int n, void** p) {
            return inner(f)->pMethods->xFetch(inner(f), o, n, p);
        };
        methods.xUnfetch = [](sqlite3_file* f, sqlite3_int64 o, void* p) {
            return inner(f)->pMethods->xUnfetch(inner(f), o, p);
        };
    }
    file->pMethods = &methods;
    return rc;
}

}  // namespace

void install() {
    if (real != nullptr)
        return;
    real = sqlite3_vfs_find(nullptr);
    vfs = *real;
    vfs.zName = "fulldisk";
    vfs.szOsFile = int(sizeof(File)) + real->szOsFile;
    vfs.xOpen = open;
    sqlite3_vfs_register(&vfs, 1);
}

void fillFrom(int from) {
    if (from > 0)
        counted = 0;
    failFrom = from;
}

int writes() {
    return counted;
}

}  // namespace testsupport::fulldisk
