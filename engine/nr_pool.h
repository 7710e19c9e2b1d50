/*
 * nr_pool.h - auto-reset events and the fixed pool of four worker threads.
 *
 * A request hands n jobs to the pool: job i calls functions[i * stride](arguments[i]). The call
 * returns when every job has finished; the jobs' writes are then visible to the caller. Requests
 * on one pool are strictly sequential and come from one thread (the context's caller).
 */
#ifndef NR_POOL_H
#define NR_POOL_H

#include <pthread.h>
#include <stdint.h>

#include <atomic>

#include "nr_runtime.h"

/* ---- Auto-reset event ------------------------------------------------------------------------ */

typedef struct NrEvent {
    pthread_mutex_t mutex;
    pthread_cond_t cond;
    int32_t flag; /* 1 = signalled */
} NrEvent;

/* A new event with the flag clear, or null when memory or the mutex/condition run out. */
NrEvent* nr_event_create(void);

/* Destroys and releases the event. NR_ERR_INVALID_ARG for null, else NR_OK. */
int32_t nr_event_free(void* user, NrEvent* event);

/*
 * Consumes one signal. timeout -1 blocks until the event is signalled; any other timeout does
 * not wait (the flag is cleared either way). NR_OK; NR_ERR_INVALID_ARG for null; NR_ERR_FAILED
 * when locking, waiting or unlocking failed.
 */
int32_t nr_event_wait(NrEvent* event, int32_t timeout);

/* Sets the flag and wakes a waiter. NR_OK; NR_ERR_INVALID_ARG for null; NR_ERR_FAILED. */
int32_t nr_event_signal(NrEvent* event);

/* ---- Threads ----------------------------------------------------------------------------------
 */

typedef struct NrThread NrThread;

/*
 * Starts start(argument) on a new thread. Returns its handle, or null when start is null or the
 * thread cannot be created.
 */
NrThread* nr_thread_create(void* (*start)(void*), void* argument);

/* Joins a non-null thread and releases its handle. Returns null. */
NrThread* nr_thread_join(NrThread* thread);
NrThread* nr_thread_join_handle(NrThread* thread);

/* ---- Pool mutex object ------------------------------------------------------------------------
 */

typedef struct NrPoolMutex {
    void* user;
    pthread_mutex_t mutex;
} NrPoolMutex;

/* *out = a new mutex object, or null with NR_ERR_NO_MEMORY. */
int32_t nr_pool_mutex_create(void* user, NrPoolMutex** out);
/* Destroys and releases; null is ignored. NR_OK. */
int32_t nr_pool_mutex_free(NrPoolMutex* object);
/* NR_ERR_FAILED for null or a failed lock call, else NR_OK. */
int32_t nr_pool_mutex_lock(NrPoolMutex* object);
int32_t nr_pool_mutex_unlock(NrPoolMutex* object);

/* ---- Worker pool ------------------------------------------------------------------------------
 */

/* A job: takes its argument and records its results in it. */
typedef void (*NrJobFn)(void* argument);

/* Worker states: single bits, so that a poll tests one bit. */
enum {
    NR_WORKER_CREATED = 8, /* before the thread runs; later the request to leave */
    NR_WORKER_EXIT = 8,
    NR_WORKER_STARTED = 1,
    NR_WORKER_IDLE = 2,
    NR_WORKER_BUSY = 4,
    NR_WORKER_EXITED = 16
};

typedef struct NrWorker {
    std::atomic<int32_t> state; /* written with release, read with acquire */
    NrEvent* event;             /* wakes the worker */
    int32_t index;              /* position in the pool, 0 to 3 */
    NrJobFn* functions;         /* the request's function table */
    int32_t function_stride;    /* job i uses functions[i * function_stride] */
    void** arguments;           /* job i gets arguments[i] */
    int32_t job_count;
    int32_t* next_job; /* the pool's shared next-job index, guarded by mutex */
    NrPoolMutex* mutex;
    NrThread* thread; /* null for a slot whose thread never started */
    /* The pool's count of workers still busy with the current request; the worker that brings it
     * to 0 wakes the dispatcher. */
    std::atomic<int32_t>* pending;
} NrWorker;

typedef struct NrPool {
    NrWorker* slots;
    int32_t count;    /* nr_worker_count() */
    int32_t next_job; /* index of the next job of the current request */
    void* user;
    NrPoolMutex* mutex;
    int32_t running; /* 1 once every worker has started */
    /* Workers not yet idle again in the current request; the dispatcher sleeps on it. */
    std::atomic<int32_t> pending;
} NrPool;

/*
 * Allocates a pool and starts its workers. *out receives the record also when start-up fails
 * after the record exists (release it with nr_pool_destroy), and null when the record could not
 * be allocated. Returns NR_OK, NR_ERR_NO_MEMORY or NR_ERR_FAILED.
 */
int32_t nr_pool_create(void* user, NrPool** out);

/*
 * Starts the four workers of an allocated, zeroed pool record and waits until each runs.
 * NR_ERR_FAILED for a null pool or when an event or a thread cannot be created (the workers
 * already started keep running until nr_pool_destroy); NR_ERR_NO_MEMORY.
 */
int32_t nr_pool_init(void* user, NrPool* pool);

/*
 * Runs function(arguments[i]) for i = 0 .. n-1 on the workers and returns when all have
 * finished. A null pool does nothing; a pool whose workers did not all start runs the jobs in the
 * caller's thread.
 */
void nr_pool_run(NrPool* pool, NrJobFn function, void** arguments, int32_t n);
void nr_pool_run_jobs(NrPool* pool, NrJobFn function, void** arguments, int32_t n);

/* The same with a function table: job i calls functions[i * stride]. */
void nr_pool_run_table(NrPool* pool, NrJobFn* functions, int32_t stride, void** arguments,
                       int32_t n);
/* Stride 1: job i calls functions[i]. */
void nr_pool_run_each(NrPool* pool, NrJobFn* functions, void** arguments, int32_t n);

/* Hands a request to every worker and waits until all are idle again (next_job must be set). */
void nr_pool_dispatch(NrPool* pool, NrJobFn* functions, int32_t stride, void** arguments,
                      int32_t n);

/* Stops and joins the workers, releases events, mutex and slots. Copes with a partial pool. */
void nr_pool_shutdown(NrPool* pool);

/* nr_pool_shutdown, then releases the record. Null does nothing. */
void nr_pool_destroy(NrPool* pool);
void nr_pool_delete(NrPool* pool);

#endif /* NR_POOL_H */
