// Loaded into a run of torven with LD_PRELOAD by the tests that force a
// fault of the file system or of memory at one chosen point. Each fault is
// asked for by an environment variable of its own:
//   FAULT_NO_TMPFILE=1          an open with O_TMPFILE fails (EOPNOTSUPP), as on a
//                               file system without unnamed files
//   FAULT_NO_LINK=1             link and linkat fail (EPERM), as without hard links
//   FAULT_NO_TRUNCATE=SUF       ftruncate of a file whose name ends in SUF fails
//                               (EACCES), as under a policy against truncating
//   FAULT_FLOCK_PAUSE_US=N      the first flock waits N microseconds first
//   FAULT_WRITE_PAUSE=SUF:N     the first open for writing of a name ending in SUF
//                               waits N microseconds first
//   FAULT_READ_PAUSE=SUF:N      the same for the first open for reading
//   FAULT_PAUSE_MARK=PATH       a pause first makes the folder PATH (which needs
//                               no descriptor), so that a test knows the run has
//                               reached it
//   FAULT_MALLOC_FROM=K         from the first open of a name ending in
//                               _pairing.csv on, the K-th allocation and every
//                               later one fail
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
}

namespace {

template <typename Fn>
Fn next(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// The C library's own functions that those below stand in front of.
struct Real {
  int (*open)(const char*, int, ...) = next<decltype(open)>("open");
  int (*open64)(const char*, int, ...) = next<decltype(open64)>("open64");
  int (*openat)(int, const char*, int, ...) = next<decltype(openat)>("openat");
  int (*openat64)(int, const char*, int, ...) = next<decltype(openat64)>("openat64");
  std::FILE* (*fopen)(const char*, const char*) = next<decltype(fopen)>("fopen");
  std::FILE* (*fopen64)(const char*, const char*) = next<decltype(fopen64)>("fopen64");
  int (*link)(const char*, const char*) = next<decltype(link)>("link");
  int (*linkat)(int, const char*, int, const char*, int) = next<decltype(linkat)>("linkat");
  int (*ftruncate)(int, off_t) = next<decltype(ftruncate)>("ftruncate");
  int (*flock)(int, int) = next<decltype(flock)>("flock");
};

const Real& real() {
  static const Real functions;
  return functions;
}

// Looked up as the library is loaded, before a fault of memory can keep
// the lookup from working.
[[maybe_unused]] const bool looked_up = (real(), true);

bool ends_with(const char* text, const char* suffix) {
  const std::size_t n = std::strlen(text), s = std::strlen(suffix);
  return n >= s && std::strcmp(text + n - s, suffix) == 0;
}

// ---- memory -----------------------------------------------------------

long allocations = 0;  // since the fault was armed
long fail_from = 0;    // 0: not armed
bool armed = false;

bool allocation_fails() { return fail_from > 0 && ++allocations >= fail_from; }

void arm_memory_fault(const char* path) {
  if (armed || path == nullptr || !ends_with(path, "_pairing.csv")) return;
  armed = true;
  if (const char* k = std::getenv("FAULT_MALLOC_FROM")) fail_from = std::atol(k);
}

// ---- pauses -----------------------------------------------------------

void pause_for(long microseconds) {
  if (const char* mark = std::getenv("FAULT_PAUSE_MARK")) ::mkdir(mark, 0755);
  ::usleep(static_cast<useconds_t>(microseconds));
}

// A pause asked for by `variable` (SUF:N) at the first open of a name
// ending in SUF; `done` keeps it to one.
void pause_at_open(const char* variable, const char* path, bool& done) {
  const char* value = std::getenv(variable);
  if (done || value == nullptr || path == nullptr) return;
  const char* colon = std::strchr(value, ':');
  if (colon == nullptr) return;
  char suffix[256];
  const std::size_t n = static_cast<std::size_t>(colon - value);
  if (n >= sizeof suffix) return;
  std::memcpy(suffix, value, n);
  suffix[n] = '\0';
  if (!ends_with(path, suffix)) return;
  done = true;
  pause_for(std::atol(colon + 1));
}

bool write_paused = false, read_paused = false;

// What every open of a name does first; false when the open must fail.
bool before_open(const char* path, int flags) {
  arm_memory_fault(path);
  if ((flags & O_TMPFILE) == O_TMPFILE && std::getenv("FAULT_NO_TMPFILE") != nullptr) {
    errno = EOPNOTSUPP;
    return false;
  }
  if ((flags & O_ACCMODE) == O_RDONLY)
    pause_at_open("FAULT_READ_PAUSE", path, read_paused);
  else
    pause_at_open("FAULT_WRITE_PAUSE", path, write_paused);
  return true;
}

// The mode argument of an open that creates a file.
mode_t mode_of(int flags, va_list args) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE
             ? static_cast<mode_t>(va_arg(args, int))
             : 0;
}

bool truncating_refused(int fd) {
  const char* suffix = std::getenv("FAULT_NO_TRUNCATE");
  if (suffix == nullptr) return false;
  char self[64], name[4096];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  const ssize_t n = ::readlink(self, name, sizeof name - 1);
  if (n < 0) return false;
  name[n] = '\0';
  return ends_with(name, suffix);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
  if (allocation_fails()) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  if (allocation_fails()) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size) {
  if (allocation_fails()) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_realloc(p, size);
}

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_of(flags, args);
  va_end(args);
  if (!before_open(path, flags)) return -1;
  return real().open(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_of(flags, args);
  va_end(args);
  if (!before_open(path, flags)) return -1;
  return real().open64(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_of(flags, args);
  va_end(args);
  if (!before_open(path, flags)) return -1;
  return real().openat(dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_of(flags, args);
  va_end(args);
  if (!before_open(path, flags)) return -1;
  return real().openat64(dir, path, flags, mode);
}

// The input and the report read back are opened through the C library's
// streams, whose own opens a preloaded library does not see.
std::FILE* fopen(const char* path, const char* mode) {
  if (!before_open(path, mode[0] == 'r' && std::strchr(mode, '+') == nullptr ? O_RDONLY : O_WRONLY))
    return nullptr;
  return real().fopen(path, mode);
}

std::FILE* fopen64(const char* path, const char* mode) {
  if (!before_open(path, mode[0] == 'r' && std::strchr(mode, '+') == nullptr ? O_RDONLY : O_WRONLY))
    return nullptr;
  return real().fopen64(path, mode);
}

int link(const char* from, const char* to) {
  if (std::getenv("FAULT_NO_LINK") != nullptr) {
    errno = EPERM;
    return -1;
  }
  return real().link(from, to);
}

int linkat(int from_dir, const char* from, int to_dir, const char* to, int flags) {
  if (std::getenv("FAULT_NO_LINK") != nullptr) {
    errno = EPERM;
    return -1;
  }
  return real().linkat(from_dir, from, to_dir, to, flags);
}

int ftruncate(int fd, off_t length) {
  if (truncating_refused(fd)) {
    errno = EACCES;
    return -1;
  }
  return real().ftruncate(fd, length);
}

int flock(int fd, int operation) {
  static bool first = true;
  if (first) {
    first = false;
    if (const char* pause = std::getenv("FAULT_FLOCK_PAUSE_US")) pause_for(std::atol(pause));
  }
  return real().flock(fd, operation);
}

}  // extern "C"
