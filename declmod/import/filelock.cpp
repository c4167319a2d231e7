#include "declmod/import/filelock.h"

#include <fcntl.h>

namespace declmod {

bool lockedByOther(int fd, bool forWriting)
{
    struct flock lock = {};
    lock.l_type = forWriting ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // the whole file
    if (::fcntl(fd, F_OFD_GETLK, &lock) == -1)
        return false;
    return lock.l_type != F_UNLCK;
}

} // namespace declmod
