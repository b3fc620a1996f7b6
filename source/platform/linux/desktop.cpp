#include "platform/desktop.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace kelvane::platform {

namespace {

struct LocaleLanguage {
    const char* prefix; // language_TERRITORY as in a POSIX locale name
    std::uint16_t id;
};

// The locales whose Windows ids matter to the plug-in or are common; others count as
// English (United States).
constexpr std::array<LocaleLanguage, 12> localeLanguages{{
    {"ja_JP", 0x0411},
    {"en_US", 0x0409},
    {"en_GB", 0x0809},
    {"de_DE", 0x0407},
    {"fr_FR", 0x040C},
    {"es_ES", 0x0C0A},
    {"it_IT", 0x0410},
    {"ko_KR", 0x0412},
    {"zh_CN", 0x0804},
    {"zh_TW", 0x0404},
    {"pt_BR", 0x0416},
    {"ru_RU", 0x0419},
}};

const char* localeName() {
    // The order in which the C library itself decides the messages locale.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "";
}

} // namespace

char pathSeparator() {
    return '/';
}

std::string temporaryDirectory() {
    const char* variable = std::getenv("TMPDIR");
    std::string directory = variable != nullptr && *variable == '/' ? variable : "/tmp";
    if (directory.back() != '/')
        directory += '/';
    return directory;
}

std::uint16_t userLanguage() {
    const std::string name = localeName();
    for (const LocaleLanguage& language : localeLanguages) {
        const std::size_t length = std::strlen(language.prefix);
        if (name.compare(0, length, language.prefix) == 0 &&
            (name.size() == length || name[length] == '.' || name[length] == '@'))
            return language.id;
    }
    return 0x0409;
}

bool makeDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0;
}

bool writeNewFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int file =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(file, data + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += static_cast<std::size_t>(written);
    }
    const bool complete = ::close(file) == 0 && done == size;
    if (!complete)
        ::unlink(path.c_str());
    return complete;
}

void openDocument(const std::string& path) {
    // A shell puts xdg-open in the background and exits at once, so the only wait here is for
    // that shell; the desktop's viewer never holds up the caller.
    const char* script = "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
    std::string pathArgument = path;
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char name[] = "sh";
    std::string scriptArgument = script;
    char* arguments[] = {shell, option, scriptArgument.data(), name, pathArgument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, shell, nullptr, nullptr, arguments, environ) == 0) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

std::string hostExecutablePath() {
    std::array<char, 8192> buffer{};
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length))
                      : std::string();
}

// X has no per-window DPI: hosts give the scale (IPlugViewContentScaleSupport).
double windowScaleFactor(void* /*window*/) {
    return 1;
}

} // namespace kelvane::platform
