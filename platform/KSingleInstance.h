// One running program at a time: an exclusive lock on "volmara.lock" in $XDG_RUNTIME_DIR (else the
// state directory), held until the object dies.
#pragma once

#include <string>

class KSingleInstance {
public:
    KSingleInstance();
    ~KSingleInstance();
    KSingleInstance(const KSingleInstance&) = delete;
    KSingleInstance& operator=(const KSingleInstance&) = delete;

    // False when another instance holds the lock (or the lock file cannot be made).
    bool Acquire();
    static std::string LockPath();

private:
    int m_fd = -1;
};
