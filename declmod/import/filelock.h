#pragma once
// Whether a file is locked by someone else: the import treats a file that another program
// holds a record lock on (a lock of the whole file or of any part of it) as "in use", as it
// would treat a file it cannot open for that reason. Both lock kinds of the system (per
// process and per open file) are seen, so a lock taken elsewhere in this process on another
// opening of the file counts too.
//
// Errors: a file whose locks cannot be queried counts as not locked.

namespace declmod {

// `fd` is an open descriptor of the file; `forWriting` asks whether a write lock could be
// taken (any lock of another holder conflicts), else whether a read lock could.
bool lockedByOther(int fd, bool forWriting);

} // namespace declmod
