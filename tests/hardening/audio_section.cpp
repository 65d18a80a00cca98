// Interposes the allocator, the pthread locks and console output in the test executable: a call made
// while the calling thread is in its audio section is counted, then passed on to the C library.
// A loaded module binds these names to the executable's definitions, as it would bind the C library's.
// Built only without sanitizers, whose runtimes interpose the same functions.
#include "audio_section.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

extern "C" {
void *__libc_malloc(std::size_t);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void __libc_free(void *);
void *__libc_memalign(std::size_t, std::size_t);
}

namespace {

thread_local bool tInAudio = false; // trivial and in the executable: no allocation to reach it
std::atomic<long> gCount{0};
std::atomic<const char *> gFirst{nullptr};

void note(const char *what) {
    if (!tInAudio) return;
    if (gCount.fetch_add(1) == 0) gFirst.store(what);
}

// The C library's definitions behind the interposed names, resolved on first use (dlsym allocates
// only through the allocator functions above, which need no resolving).
template <typename F> F real(F &slot, const char *name) {
    if (!slot) slot = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    return slot;
}

} // namespace

namespace audio_section {
void enter() { tInAudio = true; }
void leave() { tInAudio = false; }
long violations() { return gCount.load(); }
std::string first_call() {
    const char *f = gFirst.load();
    return f ? f : "";
}
void reset() {
    gCount.store(0);
    gFirst.store(nullptr);
}
} // namespace audio_section

extern "C" {

void *malloc(std::size_t n) {
    note("malloc");
    return __libc_malloc(n);
}
void *calloc(std::size_t count, std::size_t size) {
    note("calloc");
    return __libc_calloc(count, size);
}
void *realloc(void *p, std::size_t n) {
    note("realloc");
    return __libc_realloc(p, n);
}
void free(void *p) {
    note("free");
    __libc_free(p);
}
void *aligned_alloc(std::size_t alignment, std::size_t n) {
    note("aligned_alloc");
    return __libc_memalign(alignment, n);
}
void *memalign(std::size_t alignment, std::size_t n) {
    note("memalign");
    return __libc_memalign(alignment, n);
}
int posix_memalign(void **p, std::size_t alignment, std::size_t n) {
    note("posix_memalign");
    *p = __libc_memalign(alignment, n);
    return *p ? 0 : ENOMEM;
}

// One interposed function that forwards its arguments unchanged.
#define VIBREL_INTERPOSE(ret, name, params, args)                                                                      \
    ret name params {                                                                                                  \
        note(#name);                                                                                                   \
        static ret(*slot) params = nullptr;                                                                            \
        return real(slot, #name) args;                                                                                 \
    }

VIBREL_INTERPOSE(int, pthread_mutex_lock, (pthread_mutex_t * m), (m))
VIBREL_INTERPOSE(int, pthread_mutex_trylock, (pthread_mutex_t * m), (m))
VIBREL_INTERPOSE(int, pthread_mutex_timedlock, (pthread_mutex_t * m, const struct timespec *t), (m, t))
VIBREL_INTERPOSE(int, pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l))
VIBREL_INTERPOSE(int, pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l))
VIBREL_INTERPOSE(int, pthread_spin_lock, (pthread_spinlock_t * l), (l))
VIBREL_INTERPOSE(int, pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t *m), (c, m))
VIBREL_INTERPOSE(int, sem_wait, (sem_t * s), (s))
VIBREL_INTERPOSE(ssize_t, write, (int fd, const void *buf, std::size_t n), (fd, buf, n))
VIBREL_INTERPOSE(int, puts, (const char *s), (s))
VIBREL_INTERPOSE(int, fputs, (const char *s, FILE *f), (s, f))
VIBREL_INTERPOSE(std::size_t, fwrite, (const void *p, std::size_t size, std::size_t n, FILE *f), (p, size, n, f))
VIBREL_INTERPOSE(int, vprintf, (const char *fmt, va_list ap), (fmt, ap))
VIBREL_INTERPOSE(int, vfprintf, (FILE * f, const char *fmt, va_list ap), (f, fmt, ap))

int printf(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const int n = vprintf(fmt, ap);
    va_end(ap);
    return n;
}
int fprintf(FILE *f, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const int n = vfprintf(f, fmt, ap);
    va_end(ap);
    return n;
}

} // extern "C"
