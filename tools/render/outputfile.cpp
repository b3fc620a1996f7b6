#include "outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace render {

namespace {

// The temporary files that exist at the moment, for the signal handler to remove: it may use
// nothing but what is async-signal-safe, so the names live in fixed buffers.
constexpr int slotCount = 4;
char slotPaths[slotCount][PATH_MAX];
volatile std::sig_atomic_t slotUsed[slotCount];

extern "C" void removeTemporariesAndDie(int signal) {
    for (int i = 0; i < slotCount; ++i)
        if (slotUsed[i] != 0)
            ::unlink(slotPaths[i]);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void installHandlersOnce() {
    static const bool installed = [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction previous {};
            // A signal the caller chose to ignore (nohup) stays ignored.
            if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
                continue;
            struct sigaction action {};
            action.sa_handler = removeTemporariesAndDie;
            sigemptyset(&action.sa_mask);
            sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

int registerTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    installHandlersOnce();
    for (int i = 0; i < slotCount; ++i) {
        if (slotUsed[i] == 0) {
            std::memcpy(slotPaths[i], path.c_str(), path.size() + 1);
            slotUsed[i] = 1;
            return i;
        }
    }
    return -1;
}

void unregisterTemporary(int slot) {
    if (slot >= 0)
        slotUsed[slot] = 0;
}

std::string folderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

OutputFile::OutputFile(const std::string& path) : target(path) {
    std::string real = path;
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        // Replace the file the link names, not the link.
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            real = resolved;
            std::free(resolved);
        }
    }
    if (::stat(real.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        fd = ::open(real.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            fail(errno);
        return;
    }
    if (!real.empty() && real.back() == '/')
        fail(EISDIR);

    std::string pattern = folderOf(real) + "/." + baseOf(real) + ".XXXXXX.partial";
    fd = ::mkstemps(pattern.data(), 8);
    if (fd < 0)
        fail(errno);
    temporary = pattern;
    slot = registerTemporary(temporary);
    realTarget = real;
}

OutputFile::~OutputFile() {
    if (fd >= 0)
        ::close(fd);
    if (!committed && !temporary.empty())
        ::unlink(temporary.c_str());
    unregisterTemporary(slot);
}

void OutputFile::fail(int error) const {
    throw std::runtime_error("cannot write " + target + ": " + std::strerror(error));
}

void OutputFile::commit() {
    if (temporary.empty()) {
        const int closing = std::exchange(fd, -1);
        if (::close(closing) != 0)
            fail(errno);
        committed = true;
        return;
    }
    // The new file keeps the old one's permissions, or gets those of any new file.
    struct stat status {};
    mode_t mode = 0;
    if (::stat(realTarget.c_str(), &status) == 0) {
        mode = status.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        fail(errno);
    const int closing = std::exchange(fd, -1);
    if (::close(closing) != 0)
        fail(errno);
    if (::rename(temporary.c_str(), realTarget.c_str()) != 0)
        fail(errno);
    committed = true;
    unregisterTemporary(std::exchange(slot, -1));
}

void writeWholeFile(const std::string& path, const std::string& bytes) {
    OutputFile file(path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(file.descriptor(), bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw std::runtime_error("cannot write " + path + ": " +
                                     std::strerror(written < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(written);
    }
    file.commit();
}

} // namespace render
