#include "AtomicWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sarvel {

namespace {

[[noreturn]] void failWrite(const QString& path) {
    throw std::runtime_error(("Unable to write to " + path).toStdString());
}

// Follows a chain of symbolic links to the file that is really written; none when it loops.
std::optional<QString> resolveLinks(const QString& path) {
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    return std::nullopt;
}

// Windows refuses a file with the read-only attribute even to administrators, so a file or
// folder without any write bit is refused here even when running as root.
bool writable(const QByteArray& nativePath, const struct stat& info, int accessMode) {
    return (info.st_mode & 0222) != 0 && ::access(nativePath.constData(), accessMode) == 0;
}

// Temporary files are named "." + the file's name + ".sarvel-" + kTempRandomLength letters or
// digits, so leftovers of interrupted saves can be told from anything else in the folder.
constexpr qsizetype kTempRandomLength = 10;

QByteArray tempPrefix(const QByteArray& name) {
    return "." + name + ".sarvel-";
}

bool isTempName(QByteArrayView entry, const QByteArray& prefix) {
    if (entry.size() != prefix.size() + kTempRandomLength || !entry.startsWith(prefix))
        return false;
    for (const char c : entry.sliced(prefix.size()))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

QByteArray randomTempSuffix() {
    static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray suffix(kTempRandomLength, Qt::Uninitialized);
    for (char& c : suffix)
        c = kLetters[QRandomGenerator::global()->bounded(36)];
    return suffix;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Writes `bytes` from index `from` on, each byte at its own offset in the file.
bool writeAllAt(int fd, const QByteArray& bytes, qsizetype from = 0) {
    qsizetype done = from;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A temporary file beside the target; removed again unless it has been renamed over the target.
// It stays locked until then, so another save of the same file never takes it for a leftover; the
// lock dies with the process, whatever ends it.
class TempFile {
public:
    TempFile(const QByteArray& directory, const QByteArray& name) {
        const QByteArray prefix = directory + "/" + tempPrefix(name);
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = prefix + randomTempSuffix();
            // 0666 lets the umask decide a new file's permissions, as for any newly created file.
            fd_ = ::open(path_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0) {
                error_ = errno;
                if (error_ != EEXIST)
                    break;
                continue;
            }
            // Another save's clean-up may have removed the name between the creation and the lock
            // (it removes only what it could lock itself): then start again under a new name.
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
            struct stat opened {};
            struct stat named {};
            if (::fstat(fd_, &opened) != 0 || ::lstat(path_.constData(), &named) != 0 ||
                !sameFile(opened, named)) {
                ::close(fd_);
                fd_ = -1;
            }
        }
    }
    ~TempFile() {
        // Removed while still locked, so no clean-up ever sees it unlocked under its name.
        if (fd_ >= 0 && !committed_)
            ::unlink(path_.constData());
        if (fd_ >= 0)
            ::close(fd_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool created() const { return fd_ >= 0; }
    int error() const { return error_; }
    int fd() const { return fd_; }

    bool writeAll(const QByteArray& bytes) { return writeAllAt(fd_, bytes); }
    bool sync() { return ::fsync(fd_) == 0; }
    // The lock is held through the rename; the file is closed by the destructor (a close can report
    // no error that the flush before it has not).
    bool renameTo(const QByteArray& target) {
        committed_ = ::rename(path_.constData(), target.constData()) == 0;
        return committed_;
    }

private:
    QByteArray path_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

// Removes the temporary files that interrupted saves of this file (power loss, a killed process)
// left beside it. A running save holds the lock on its temporary file, so only files nobody holds
// are removed, and only names of this file's own pattern are looked at.
void removeLeftovers(const QByteArray& directory, const QByteArray& name) {
    DIR* dir = ::opendir(directory.constData());
    if (!dir)
        return;
    const QByteArray prefix = tempPrefix(name);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTempName(entry->d_name, prefix))
            continue;
        const QByteArray path = directory + "/" + entry->d_name;
        struct stat named {};
        struct stat opened {};
        if (::lstat(path.constData(), &named) != 0 || !S_ISREG(named.st_mode))
            continue;
        // Opened for writing where possible: NFS grants an exclusive lock only then.
        int fd = ::open(path.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Still the same file once locked: the save that made it may have finished meanwhile.
        if (::fstat(fd, &opened) == 0 && sameFile(opened, named) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.constData(), &named) == 0 && sameFile(opened, named))
            ::unlink(path.constData());
        ::close(fd);
    }
    ::closedir(dir);
}

bool readAllFrom(int fd, QByteArray& bytes) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, off_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.append(buffer, n);
    }
}

// For a folder that takes no new file: the file itself is rewritten with the complete new bytes,
// from the first byte that changes. Should any step fail, the old bytes are put back before the
// failure is reported.
void writeInPlace(const QString& path, const QByteArray& nativeTarget, const QByteArray& contents) {
    const int fd = ::open(nativeTarget.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        failWrite(path);
    struct stat info {};
    QByteArray old;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !readAllFrom(fd, old)) {
        ::close(fd);
        failWrite(path);
    }
    qsizetype same = 0;
    while (same < old.size() && same < contents.size() && old[same] == contents[same])
        ++same;
    const bool written =
        writeAllAt(fd, contents, same) && ::ftruncate(fd, off_t(contents.size())) == 0 && ::fsync(fd) == 0;
    if (!written)
        (void)(writeAllAt(fd, old, same) && ::ftruncate(fd, off_t(old.size())) == 0 && ::fsync(fd) == 0);
    ::close(fd);
    if (!written)
        failWrite(path);
}

void syncDirectory(const QByteArray& directory) {
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void writeFileAtomically(const QString& path, const QByteArray& contents) {
    const std::optional<QString> target = resolveLinks(path);
    if (!target)
        failWrite(path);
    const QFileInfo targetInfo(*target);
    const QByteArray nativeTarget = QFile::encodeName(*target);
    const QByteArray directory = QFile::encodeName(targetInfo.absolutePath());

    struct stat dirStat {};
    if (::stat(directory.constData(), &dirStat) != 0 || !S_ISDIR(dirStat.st_mode))
        failWrite(path);
    struct stat old {};
    const bool existed = ::stat(nativeTarget.constData(), &old) == 0;
    if (existed && (!S_ISREG(old.st_mode) || !writable(nativeTarget, old, W_OK)))
        failWrite(path);
    if (!existed && errno != ENOENT)
        failWrite(path);

    const QByteArray name = QFile::encodeName(targetInfo.fileName());
    const bool folderWritable = writable(directory, dirStat, W_OK | X_OK);
    std::optional<TempFile> temp;
    if (folderWritable) {
        removeLeftovers(directory, name);
        temp.emplace(directory, name);
    }
    if (!temp || !temp->created()) {
        // A folder that refuses new files still lets a writable file be rewritten, as on Windows.
        if (existed && (!temp || temp->error() == EACCES || temp->error() == EPERM))
            return writeInPlace(path, nativeTarget, contents);
        failWrite(path);
    }
    if (existed) {
        // Ownership first: changing the owner may clear set-id bits that fchmod then restores.
        (void)!::fchown(temp->fd(), old.st_uid, old.st_gid);
        if (::fchmod(temp->fd(), old.st_mode & 07777) != 0)
            failWrite(path);
    }
    if (!temp->writeAll(contents) || !temp->sync() || !temp->renameTo(nativeTarget))
        failWrite(path);
    temp.reset();
    syncDirectory(directory);
}

} // namespace sarvel
