#include "AtomicWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
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

// A temporary file beside the target; removed again unless it has been renamed over the target.
class TempFile {
public:
    TempFile(const QByteArray& directory, const QByteArray& name) {
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = directory + "/." + name + "." +
                    QByteArray::number(QRandomGenerator::global()->generate(), 36);
            // 0666 lets the umask decide a new file's permissions, as for any newly created file.
            fd_ = ::open(path_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        created_ = fd_ >= 0;
    }
    ~TempFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (created_ && !committed_)
            ::unlink(path_.constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool created() const { return created_; }
    int fd() const { return fd_; }

    bool writeAll(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }
    bool syncAndClose() {
        const bool synced = ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return synced && closed;
    }
    bool renameTo(const QByteArray& target) {
        committed_ = ::rename(path_.constData(), target.constData()) == 0;
        return committed_;
    }

private:
    QByteArray path_;
    int fd_ = -1;
    bool created_ = false;
    bool committed_ = false;
};

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
    if (::stat(directory.constData(), &dirStat) != 0 || !S_ISDIR(dirStat.st_mode) ||
        !writable(directory, dirStat, W_OK | X_OK))
        failWrite(path);
    struct stat old {};
    const bool existed = ::stat(nativeTarget.constData(), &old) == 0;
    if (existed && (!S_ISREG(old.st_mode) || !writable(nativeTarget, old, W_OK)))
        failWrite(path);
    if (!existed && errno != ENOENT)
        failWrite(path);

    TempFile temp(directory, QFile::encodeName(targetInfo.fileName()));
    if (!temp.created())
        failWrite(path);
    if (existed) {
        // Ownership first: changing the owner may clear set-id bits that fchmod then restores.
        (void)!::fchown(temp.fd(), old.st_uid, old.st_gid);
        if (::fchmod(temp.fd(), old.st_mode & 07777) != 0)
            failWrite(path);
    }
    if (!temp.writeAll(contents) || !temp.syncAndClose() || !temp.renameTo(nativeTarget))
        failWrite(path);
    syncDirectory(directory);
}

} // namespace sarvel
