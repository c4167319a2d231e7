#pragma once
// A full disk made real for tests: a small memory file system (tmpfs) mounted on a folder
// of the test, then filled up. The mount lives in a mount namespace of the test process's
// own (the programs it starts share it), so nothing stays mounted however the test ends,
// and no other process ever sees it.
//
// Mounting needs the superuser: available() says whether it can be done here, and why not.
//
// Errors: mount() and fill() return false with the reason in *error.

#include <QString>

namespace qavtest {

class SmallDisk
{
public:
    SmallDisk() = default;
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    // Whether this process may mount a file system; the reason in *why when not.
    static bool available(QString *why);

    // Mounts a file system of `bytes` on `folder` (an existing folder, whose own files are
    // hidden while it is mounted).
    bool mount(const QString &folder, qint64 bytes, QString *error);
    // Fills the file system with a file of its own until the system refuses a byte more.
    bool fill(QString *error);
    // Frees the filler, leaving the file system as it was before fill().
    bool unfill(QString *error);

    QString folder() const { return m_folder; }

private:
    QString m_folder;
};

} // namespace qavtest
