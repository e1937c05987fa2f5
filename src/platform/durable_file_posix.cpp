#include "platform/durable_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool syncDescriptor(int fd)
{
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

// A new file survives a power cut only once its folder's entry for it is on the disk too.
void syncFolderOf(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    syncDescriptor(fd);
    ::close(fd);
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

namespace DurableFile {

bool append(const std::string& path, const std::string& header, const std::string& data)
{
    bool created = false;
    // Non-blocking, so that a FIFO or device of that name fails here instead of waiting for a
    // reader; only a regular file is written to.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                    0666);
        created = fd >= 0;
    }
    if (fd < 0)
        return false;

    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    const off_t previous = info.st_size;
    const std::string bytes = previous == 0 ? header + data : data;

    const bool ok = writeAll(fd, bytes.data(), bytes.size()) && syncDescriptor(fd);
    if (ok) {
        ::close(fd);
        if (created)
            syncFolderOf(path);
        return true;
    }

    if (created) {
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    if (::ftruncate(fd, previous) == 0)
        syncDescriptor(fd);
    ::close(fd);
    return false;
}

bool publishNew(const std::string& from, const std::string& to, bool& exists)
{
    exists = false;
    // link() fails when the name exists, so a file someone else published first is never touched.
    int rc = ::link(from.c_str(), to.c_str());
#ifdef RENAME_NOREPLACE
    // File systems without hard links (FAT, some network shares) may still rename without replacing.
    if (rc != 0 && (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == ENOSYS))
        rc = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
#endif
    if (rc != 0) {
        exists = errno == EEXIST;
        return false;
    }
    ::unlink(from.c_str());
    syncFolderOf(to);
    return true;
}

bool replace(const std::string& path, const std::string& data)
{
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, data.data(), data.size()) && syncDescriptor(fd);
    ::close(fd);
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}

} // namespace DurableFile
