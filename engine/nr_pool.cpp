/*
 * Auto-reset events and the pool of four worker threads.
 *
 * The caller dispatches a request to every worker and then waits until all are idle again; the
 * workers pull job indices from the shared counter under the pool mutex until none is left. The
 * state word of a slot is the only thing the two sides exchange without a lock, so it is an atomic
 * written with release and read with acquire order: a worker's "idle" carries all the writes of
 * the jobs it ran back to the dispatcher.
 *
 * The dispatcher does not poll with a yield loop while the jobs run: on a machine with as many
 * processors as workers that loop takes a processor from them. It sleeps instead on the pool's
 * count of workers still busy (a futex on Linux), which the last worker to go idle brings to 0 and
 * wakes; then it reads every state word as before. The rare waits of start-up and shutdown sleep
 * on the state word itself, which the worker wakes when it shows "started" and "exited".
 */
#include "nr_pool.h"

#include <new>

#if defined(__linux__)
#include <limits.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#define NR_POOL_FUTEX 1
#else
#define NR_POOL_FUTEX 0
#endif

/* ---- Events ---------------------------------------------------------------------------------- */

NrEvent* nr_event_create(void) {
    NrEvent* event = static_cast<NrEvent*>(nr_malloc(nullptr, sizeof(NrEvent)));
    if (!event) {
        return nullptr;
    }
    if (pthread_mutex_init(&event->mutex, nullptr) != 0) {
        nr_free(nullptr, event);
        return nullptr;
    }
    if (pthread_cond_init(&event->cond, nullptr) != 0) {
        pthread_mutex_destroy(&event->mutex);
        nr_free(nullptr, event);
        return nullptr;
    }
    event->flag = 0;
    return event;
}

int32_t nr_event_free(void* user, NrEvent* event) {
    (void)user;
    if (!event) {
        return NR_ERR_INVALID_ARG;
    }
    pthread_cond_destroy(&event->cond);
    pthread_mutex_destroy(&event->mutex);
    nr_free(nullptr, event);
    return NR_OK;
}

int32_t nr_event_wait(NrEvent* event, int32_t timeout) {
    if (!event) {
        return NR_ERR_INVALID_ARG;
    }
    if (pthread_mutex_lock(&event->mutex) != 0) {
        return NR_ERR_FAILED;
    }
    int32_t status = NR_OK;
    if (timeout == -1) {
        while (!event->flag) {
            if (pthread_cond_wait(&event->cond, &event->mutex) != 0) {
                status = NR_ERR_FAILED;
                break;
            }
        }
    }
    event->flag = 0;
    if (pthread_mutex_unlock(&event->mutex) != 0) {
        status = NR_ERR_FAILED;
    }
    return status;
}

int32_t nr_event_signal(NrEvent* event) {
    if (!event) {
        return NR_ERR_INVALID_ARG;
    }
    if (pthread_mutex_lock(&event->mutex) != 0) {
        return NR_ERR_FAILED;
    }
    event->flag = 1;
    int32_t status = pthread_cond_signal(&event->cond) == 0 ? NR_OK : NR_ERR_FAILED;
    pthread_mutex_unlock(&event->mutex);
    return status;
}

/* ---- Threads --------------------------------------------------------------------------------- */

struct NrThread {
    pthread_t id;
};

NrThread* nr_thread_create(void* (*start)(void*), void* argument) {
    if (!start || nr_test_thread_should_fail()) {
        return nullptr;
    }
    NrThread* thread = static_cast<NrThread*>(nr_malloc(nullptr, sizeof(NrThread)));
    if (!thread) {
        return nullptr;
    }
    if (pthread_create(&thread->id, nullptr, start, argument) != 0) {
        nr_free(nullptr, thread);
        return nullptr;
    }
    return thread;
}

NrThread* nr_thread_join(NrThread* thread) {
    if (thread) {
        pthread_join(thread->id, nullptr);
        nr_free(nullptr, thread);
    }
    return nullptr;
}

NrThread* nr_thread_join_handle(NrThread* thread) {
    return nr_thread_join(thread);
}

/* ---- Pool mutex object ----------------------------------------------------------------------- */

int32_t nr_pool_mutex_create(void* user, NrPoolMutex** out) {
    if (!out) {
        return NR_ERR_FAILED;
    }
    *out = nullptr;
    NrPoolMutex* object = static_cast<NrPoolMutex*>(nr_malloc(user, sizeof(NrPoolMutex)));
    if (!object) {
        return NR_ERR_NO_MEMORY;
    }
    object->user = user;
    if (pthread_mutex_init(&object->mutex, nullptr) != 0) {
        nr_free(user, object);
        return NR_ERR_FAILED;
    }
    *out = object;
    return NR_OK;
}

int32_t nr_pool_mutex_free(NrPoolMutex* object) {
    if (object) {
        pthread_mutex_destroy(&object->mutex);
        nr_free(object->user, object);
    }
    return NR_OK;
}

int32_t nr_pool_mutex_lock(NrPoolMutex* object) {
    if (!object || pthread_mutex_lock(&object->mutex) != 0) {
        return NR_ERR_FAILED;
    }
    return NR_OK;
}

int32_t nr_pool_mutex_unlock(NrPoolMutex* object) {
    if (!object || pthread_mutex_unlock(&object->mutex) != 0) {
        return NR_ERR_FAILED;
    }
    return NR_OK;
}

/* ---- Workers --------------------------------------------------------------------------------- */

static inline int32_t nr_state_load(const NrWorker* worker) {
    return worker->state.load(std::memory_order_acquire);
}

static inline void nr_state_store(NrWorker* worker, int32_t state) {
    worker->state.store(state, std::memory_order_release);
}

/* ---- Sleeping on a word ----------------------------------------------------------------------
 *
 * nr_word_wait sleeps while *word still holds `seen` (or until the timeout in microseconds, -1 for
 * none; spurious returns are allowed, callers look again); nr_word_wake wakes every sleeper. Where
 * there is no futex both fall back to a yield.
 */

static_assert(sizeof(std::atomic<int32_t>) == sizeof(int32_t) &&
                  std::atomic<int32_t>::is_always_lock_free,
              "a futex needs a plain 32-bit atomic word");

static void nr_word_wait(std::atomic<int32_t>* word, int32_t seen, int64_t timeout_us) {
#if NR_POOL_FUTEX
    struct timespec limit;
    struct timespec* limit_ptr = nullptr;
    if (timeout_us >= 0) {
        limit.tv_sec = static_cast<time_t>(timeout_us / 1000000);
        limit.tv_nsec = static_cast<long>(timeout_us % 1000000) * 1000;
        limit_ptr = &limit;
    }
    syscall(SYS_futex, reinterpret_cast<int32_t*>(word), FUTEX_WAIT_PRIVATE, seen, limit_ptr,
            nullptr, 0);
#else
    (void)word;
    (void)seen;
    (void)timeout_us;
    nr_sleep(0);
#endif
}

static void nr_word_wake(std::atomic<int32_t>* word) {
#if NR_POOL_FUTEX
    syscall(SYS_futex, reinterpret_cast<int32_t*>(word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr,
            nullptr, 0);
#else
    (void)word;
#endif
}

/* A short spin before sleeping: a request whose jobs end within a few microseconds (or a state
 * that is already there) costs no system call. */
static inline void nr_cpu_relax(void) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

enum { kSpinChecks = 256 };

/* Start-up and shutdown: sleeps on the state word, which the worker wakes when it shows "started"
 * or "exited"; the timeout bounds the wait for the other states (in practice already there). */
static void nr_wait_for_state_bit(NrWorker* worker, int32_t bit) {
    for (int32_t i = 0; i < kSpinChecks; ++i) {
        if (nr_state_load(worker) & bit) {
            return;
        }
        nr_cpu_relax();
    }
    for (;;) {
        const int32_t seen = nr_state_load(worker);
        if (seen & bit) {
            return;
        }
        nr_word_wait(&worker->state, seen, 1000);
    }
}

/* A state the worker announces to a thread that may sleep on it. */
static void nr_state_store_wake(NrWorker* worker, int32_t state) {
    nr_state_store(worker, state);
    nr_word_wake(&worker->state);
}

/* The worker has found no job left: it is idle, and the last of the request wakes the
 * dispatcher. */
static void nr_worker_go_idle(NrWorker* worker) {
    /* Nothing of the slot is read after "idle": the dispatcher may fill it for the next request. */
    std::atomic<int32_t>* pending = worker->pending;
    nr_state_store(worker, NR_WORKER_IDLE);
    if (pending != nullptr && pending->fetch_sub(1, std::memory_order_acq_rel) == 1) {
        nr_word_wake(pending);
    }
}

/* The dispatcher: sleeps until every worker of the request is idle again. */
static void nr_wait_for_request(NrPool* pool) {
    int32_t i = 0;
    for (; i < kSpinChecks && pool->pending.load(std::memory_order_acquire) != 0; ++i) {
        nr_cpu_relax();
    }
    for (;;) {
        const int32_t seen = pool->pending.load(std::memory_order_acquire);
        if (seen == 0) {
            break;
        }
        nr_word_wait(&pool->pending, seen, -1);
    }
    /* Each worker stored "idle" before counting itself out; reading the state words with acquire
     * order makes the results of its jobs visible here. */
    for (int32_t w = 0; w < pool->count; ++w) {
        nr_wait_for_state_bit(&pool->slots[w], NR_WORKER_IDLE);
    }
}

static void* nr_worker_main(void* argument) {
    NrWorker* worker = static_cast<NrWorker*>(argument);
    nr_state_store_wake(worker, NR_WORKER_STARTED);
    for (;;) {
        nr_event_wait(worker->event, -1);
        if (nr_state_load(worker) == NR_WORKER_EXIT) {
            break;
        }
        nr_pool_mutex_lock(worker->mutex);
        const int32_t job = *worker->next_job;
        if (job >= worker->job_count) {
            nr_pool_mutex_unlock(worker->mutex);
            nr_worker_go_idle(worker);
            continue;
        }
        NrJobFn function = worker->functions[job * worker->function_stride];
        void* job_argument = worker->arguments ? worker->arguments[job] : nullptr;
        *worker->next_job = job + 1;
        nr_pool_mutex_unlock(worker->mutex);
        if (!function) {
            nr_worker_go_idle(worker);
            continue;
        }
        function(job_argument);
        // Wake ourselves so that the next wait returns at once and we take another job.
        nr_event_signal(worker->event);
    }
    nr_state_store_wake(worker, NR_WORKER_EXITED);
    return nullptr;
}

/* ---- Pool ------------------------------------------------------------------------------------ */

int32_t nr_pool_init(void* user, NrPool* pool) {
    if (!pool) {
        return NR_ERR_FAILED;
    }
    pool->user = user;
    pool->running = 0;
    new (&pool->pending) std::atomic<int32_t>(0);
    int32_t status = nr_pool_mutex_create(user, &pool->mutex);
    if (status != NR_OK) {
        return status;
    }
    pool->count = nr_worker_count();
    pool->next_job = 0;
    pool->slots = static_cast<NrWorker*>(nr_malloc(user, sizeof(NrWorker) * pool->count));
    if (!pool->slots) {
        pool->count = 0;
        return NR_ERR_NO_MEMORY;
    }
    for (int32_t i = 0; i < pool->count; ++i) {
        new (&pool->slots[i]) NrWorker();
    }
    for (int32_t i = 0; i < pool->count && status == NR_OK; ++i) {
        NrWorker* worker = &pool->slots[i];
        worker->event = nr_event_create();
        if (!worker->event) {
            status = NR_ERR_FAILED;
            break;
        }
        nr_state_store(worker, NR_WORKER_CREATED);
        worker->index = i;
        worker->next_job = &pool->next_job;
        worker->mutex = pool->mutex;
        worker->pending = &pool->pending;
        worker->thread = nr_thread_create(nr_worker_main, worker);
        if (!worker->thread) {
            status = NR_ERR_FAILED;
        }
    }
    // Wait only for the workers whose threads exist; each shows "started" first thing.
    for (int32_t i = 0; i < pool->count; ++i) {
        NrWorker* worker = &pool->slots[i];
        if (!worker->thread) {
            continue;
        }
        nr_wait_for_state_bit(worker, NR_WORKER_STARTED);
        nr_state_store(worker, NR_WORKER_IDLE);
    }
    pool->running = status == NR_OK ? 1 : 0;
    return status;
}

int32_t nr_pool_create(void* user, NrPool** out) {
    if (!out) {
        return NR_ERR_FAILED;
    }
    NrPool* pool = static_cast<NrPool*>(nr_malloc(user, sizeof(NrPool)));
    *out = pool;
    if (!pool) {
        return NR_ERR_NO_MEMORY;
    }
    nr_memset(pool, 0, sizeof(NrPool));
    return nr_pool_init(user, pool);
}

// A pool whose workers did not all start cannot take requests (a dispatch would wait for a
// worker that never runs), so its jobs run in the caller's thread, in index order.
static void nr_pool_run_inline(NrJobFn* functions, int32_t stride, void** arguments, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        NrJobFn function = functions[i * stride];
        if (function) {
            function(arguments ? arguments[i] : nullptr);
        }
    }
}

void nr_pool_dispatch(NrPool* pool, NrJobFn* functions, int32_t stride, void** arguments,
                      int32_t n) {
    if (!pool) {
        return;
    }
    if (n < 0) {
        n = 0;
    }
    if (!pool->running || !pool->slots) {
        if (functions) {
            nr_pool_run_inline(functions, stride, arguments, n);
        }
        return;
    }
    /* Counted before any worker is woken: each counts itself out once when it goes idle. */
    pool->pending.store(pool->count, std::memory_order_relaxed);
    for (int32_t i = 0; i < pool->count; ++i) {
        NrWorker* worker = &pool->slots[i];
        worker->function_stride = stride;
        worker->job_count = functions ? n : 0;
        // "Busy" is stored before the signal: the poll below must not see the idle of the last
        // request.
        nr_state_store(worker, NR_WORKER_BUSY);
        worker->functions = functions;
        worker->arguments = arguments;
        worker->next_job = &pool->next_job;
        worker->mutex = pool->mutex;
        nr_event_signal(worker->event);
    }
    nr_wait_for_request(pool);
}

void nr_pool_run_table(NrPool* pool, NrJobFn* functions, int32_t stride, void** arguments,
                       int32_t n) {
    if (!pool) {
        return;
    }
    pool->next_job = 0;
    nr_pool_dispatch(pool, functions, stride, arguments, n);
}

void nr_pool_run_each(NrPool* pool, NrJobFn* functions, void** arguments, int32_t n) {
    nr_pool_run_table(pool, functions, 1, arguments, n);
}

void nr_pool_run_jobs(NrPool* pool, NrJobFn function, void** arguments, int32_t n) {
    NrJobFn table[1] = {function};
    nr_pool_run_table(pool, table, 0, arguments, n);
}

void nr_pool_run(NrPool* pool, NrJobFn function, void** arguments, int32_t n) {
    nr_pool_run_jobs(pool, function, arguments, n);
}

void nr_pool_shutdown(NrPool* pool) {
    if (!pool) {
        return;
    }
    pool->running = 0;
    if (pool->slots) {
        // Slots whose thread never started are skipped: nobody would ever answer them.
        for (int32_t i = 0; i < pool->count; ++i) {
            NrWorker* worker = &pool->slots[i];
            if (!worker->thread) {
                continue;
            }
            nr_wait_for_state_bit(worker, NR_WORKER_IDLE);
            nr_state_store(worker, NR_WORKER_EXIT);
            nr_event_signal(worker->event);
        }
        for (int32_t i = 0; i < pool->count; ++i) {
            NrWorker* worker = &pool->slots[i];
            if (worker->thread) {
                /* Joined first: the thread has then shown "exited" and left the slot alone. */
                worker->thread = nr_thread_join(worker->thread);
                nr_wait_for_state_bit(worker, NR_WORKER_EXITED);
            }
            if (worker->event) {
                nr_event_free(pool->user, worker->event);
                worker->event = nullptr;
            }
        }
    }
    nr_pool_mutex_free(pool->mutex);
    pool->mutex = nullptr;
    nr_free(pool->user, pool->slots);
    pool->slots = nullptr;
    pool->count = 0;
}

void nr_pool_destroy(NrPool* pool) {
    if (!pool) {
        return;
    }
    nr_pool_shutdown(pool);
    nr_free(pool->user, pool);
}

void nr_pool_delete(NrPool* pool) {
    nr_pool_destroy(pool);
}
