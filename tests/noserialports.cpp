// Makes every real serial device look absent to the process it is loaded into, so
// that code under test can never raise the modem lines of, or send lamp commands
// to, whatever is wired to the machine's own ports. Pseudo-terminals and ordinary
// files are untouched. Loaded with LD_PRELOAD into a panel started by a test, and
// linked into the tests that run the window in-process.

// The fortified inline open() wrappers would clash with the definitions below.
#undef _FORTIFY_SOURCE

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Device names of serial ports: 8250/16550 UARTs (and ttySAC and the like), USB
// adapters, USB modems, ARM AMBA UARTs, Bluetooth serial links and udev's links.
constexpr const char *SerialNames[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};
constexpr const char DevPrefix[] = "/dev/";
constexpr const char SerialLinkFolder[] = "/dev/serial/";
// QSerialPort's lock files are named after the device with '/' turned into '_'.
constexpr const char LockPrefix[] = "LCK..";
constexpr const char SerialLinkLockName[] = "serial_";

// Character device majors of serial ports (Linux devices.txt); the ttyS major 4 is
// shared with virtual consoles, which use minors below 64.
constexpr unsigned TtyMajor = 4;
constexpr unsigned FirstTtySMinor = 64;
constexpr unsigned SerialMajors[]
    = {166 /* ttyACM */, 188 /* ttyUSB */, 204 /* low-density serial, ttyAMA */, 216 /* rfcomm */};

constexpr std::size_t SysfsPathSize = 64;
constexpr char TtyClassSuffix[] = "/class/tty";

bool startsWith(const char *text, const char *prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool isSerialName(const char *name)
{
    for (const char *serial : SerialNames) {
        if (startsWith(name, serial))
            return true;
    }
    return false;
}

bool namesSerialDevice(const char *path)
{
    if (startsWith(path, SerialLinkFolder))
        return true;
    if (startsWith(path, DevPrefix) && isSerialName(path + std::strlen(DevPrefix)))
        return true;
    const char *slash = std::strrchr(path, '/');
    const char *base = slash ? slash + 1 : path;
    if (!startsWith(base, LockPrefix))
        return false;
    // Failing the lock keeps QSerialPort from ever reaching the device, and leaves
    // no lock behind that a real terminal program could trip over.
    const char *locked = base + std::strlen(LockPrefix);
    return isSerialName(locked) || startsWith(locked, SerialLinkLockName);
}

// A tty class device backed by hardware is a serial port, whatever its major;
// ptys, virtual consoles and /dev/tty have no device behind them.
bool sysfsSaysSerial(unsigned deviceMajor, unsigned deviceMinor)
{
    char path[SysfsPathSize];
    std::snprintf(path, sizeof path, "/sys/dev/char/%u:%u/device", deviceMajor, deviceMinor);
    struct stat info = {};
    if (::stat(path, &info) != 0)
        return false;
    std::snprintf(path, sizeof path, "/sys/dev/char/%u:%u/subsystem", deviceMajor, deviceMinor);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path, target, sizeof target - 1);
    if (length <= 0)
        return false;
    target[length] = '\0';
    const std::size_t suffixLength = std::strlen(TtyClassSuffix);
    return std::size_t(length) >= suffixLength
        && std::strcmp(target + length - suffixLength, TtyClassSuffix) == 0;
}

bool isSerialDevice(dev_t device)
{
    const unsigned deviceMajor = major(device);
    const unsigned deviceMinor = minor(device);
    if (deviceMajor == TtyMajor && deviceMinor >= FirstTtySMinor)
        return true;
    for (unsigned serial : SerialMajors) {
        if (deviceMajor == serial)
            return true;
    }
    return sysfsSaysSerial(deviceMajor, deviceMinor);
}

// Catches every other spelling of a device path: symlinks, "/dev/./ttyS0",
// relative names. stat() itself leaves the device alone.
bool reachesSerialDevice(int dirfd, const char *path)
{
    struct stat info = {};
    return ::fstatat(dirfd, path, &info, 0) == 0 && S_ISCHR(info.st_mode)
        && isSerialDevice(info.st_rdev);
}

bool refused(int dirfd, const char *path)
{
    // The probes must not leave their errno to a caller whose open succeeds.
    const int savedErrno = errno;
    if (path == nullptr || !(namesSerialDevice(path) || reachesSerialDevice(dirfd, path))) {
        errno = savedErrno;
        return false;
    }
    errno = ENOENT;
    return true;
}

bool takesMode(int flags)
{
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

// The mode argument is there only when the flags create a file; reading it
// otherwise would take garbage from the caller's registers or stack.
mode_t modeOf(int flags, va_list arguments)
{
    return takesMode(flags) ? static_cast<mode_t>(va_arg(arguments, unsigned int)) : 0;
}

// The definition the guarded one hides, looked up once; thread-safe without a
// static guard so that a lookup can never wait on itself.
template<typename Function> Function next(std::atomic<void *> &cache, const char *name)
{
    void *function = cache.load(std::memory_order_acquire);
    if (function == nullptr) {
        function = ::dlsym(RTLD_NEXT, name);
        cache.store(function, std::memory_order_release);
    }
    return reinterpret_cast<Function>(function);
}

using OpenFunction = int (*)(const char *, int, ...);
using OpenAtFunction = int (*)(int, const char *, int, ...);
using FortifiedOpenFunction = int (*)(const char *, int);
using FortifiedOpenAtFunction = int (*)(int, const char *, int);
using CreatFunction = int (*)(const char *, mode_t);
using FopenFunction = FILE *(*)(const char *, const char *);

std::atomic<void *> nextOpen {nullptr};
std::atomic<void *> nextOpen64 {nullptr};
std::atomic<void *> nextOpenAt {nullptr};
std::atomic<void *> nextOpenAt64 {nullptr};
std::atomic<void *> nextOpen2 {nullptr};
std::atomic<void *> nextOpen64_2 {nullptr};
std::atomic<void *> nextOpenAt2 {nullptr};
std::atomic<void *> nextOpenAt64_2 {nullptr};
std::atomic<void *> nextCreat {nullptr};
std::atomic<void *> nextCreat64 {nullptr};
std::atomic<void *> nextFopen {nullptr};
std::atomic<void *> nextFopen64 {nullptr};

int missing()
{
    errno = ENOSYS;
    return -1;
}

int forwardOpen(std::atomic<void *> &cache, const char *name, const char *path, int flags,
                mode_t mode)
{
    const auto function = next<OpenFunction>(cache, name);
    if (function == nullptr)
        return missing();
    return takesMode(flags) ? function(path, flags, mode) : function(path, flags);
}

int forwardOpenAt(std::atomic<void *> &cache, const char *name, int dirfd, const char *path,
                  int flags, mode_t mode)
{
    const auto function = next<OpenAtFunction>(cache, name);
    if (function == nullptr)
        return missing();
    return takesMode(flags) ? function(dirfd, path, flags, mode) : function(dirfd, path, flags);
}

FILE *forwardFopen(std::atomic<void *> &cache, const char *name, const char *path, const char *mode)
{
    if (refused(AT_FDCWD, path))
        return nullptr;
    const auto function = next<FopenFunction>(cache, name);
    if (function == nullptr) {
        missing();
        return nullptr;
    }
    return function(path, mode);
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    if (refused(AT_FDCWD, path))
        return -1;
    return forwardOpen(nextOpen, "open", path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    if (refused(AT_FDCWD, path))
        return -1;
    return forwardOpen(nextOpen64, "open64", path, flags, mode);
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    if (refused(dirfd, path))
        return -1;
    return forwardOpenAt(nextOpenAt, "openat", dirfd, path, flags, mode);
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    if (refused(dirfd, path))
        return -1;
    return forwardOpenAt(nextOpenAt64, "openat64", dirfd, path, flags, mode);
}

// What open() calls compile to with _FORTIFY_SOURCE when the flags are not constant.
int __open_2(const char *path, int flags)
{
    if (refused(AT_FDCWD, path))
        return -1;
    const auto function = next<FortifiedOpenFunction>(nextOpen2, "__open_2");
    return function ? function(path, flags) : missing();
}

int __open64_2(const char *path, int flags)
{
    if (refused(AT_FDCWD, path))
        return -1;
    const auto function = next<FortifiedOpenFunction>(nextOpen64_2, "__open64_2");
    return function ? function(path, flags) : missing();
}

int __openat_2(int dirfd, const char *path, int flags)
{
    if (refused(dirfd, path))
        return -1;
    const auto function = next<FortifiedOpenAtFunction>(nextOpenAt2, "__openat_2");
    return function ? function(dirfd, path, flags) : missing();
}

int __openat64_2(int dirfd, const char *path, int flags)
{
    if (refused(dirfd, path))
        return -1;
    const auto function = next<FortifiedOpenAtFunction>(nextOpenAt64_2, "__openat64_2");
    return function ? function(dirfd, path, flags) : missing();
}

int creat(const char *path, mode_t mode)
{
    if (refused(AT_FDCWD, path))
        return -1;
    const auto function = next<CreatFunction>(nextCreat, "creat");
    return function ? function(path, mode) : missing();
}

int creat64(const char *path, mode_t mode)
{
    if (refused(AT_FDCWD, path))
        return -1;
    const auto function = next<CreatFunction>(nextCreat64, "creat64");
    return function ? function(path, mode) : missing();
}

// glibc's fopen() opens through an internal call that the definitions above miss.
FILE *fopen(const char *path, const char *mode)
{
    return forwardFopen(nextFopen, "fopen", path, mode);
}

FILE *fopen64(const char *path, const char *mode)
{
    return forwardFopen(nextFopen64, "fopen64", path, mode);
}

} // extern "C"
