/*
 * nr_profile.h - the noise profile and its 4,096-byte serialised form.
 *
 * For each channel group (0 luma, 1 and 2 chroma) and pyramid band level, a table of noise level
 * against the coarse luma brightness. Storage is fixed at 3 groups x 4 entries x 256 bytes; every
 * operation keeps within it whatever the counts say.
 */
#ifndef NR_PROFILE_H
#define NR_PROFILE_H

#include <stdint.h>

#include "nr_engine.h"

#define NR_PROFILE_MAX_GROUPS 3
#define NR_PROFILE_MAX_ENTRIES 4
#define NR_PROFILE_MAX_LOG2 8
#define NR_PROFILE_LUT_SIZE 256

typedef struct NrProfileEntry {
    int32_t log2_size; /* log2 of the table length; 8 in the engine's own profiles */
    int32_t index;     /* the entry's level (0 = finest); the level filter's scale exponent */
    uint8_t* lut;      /* NR_PROFILE_LUT_SIZE bytes of storage, 2^log2_size in use */
} NrProfileEntry;

typedef struct NrProfileGroup {
    NrProfileEntry* entries; /* storage for NR_PROFILE_MAX_ENTRIES */
    int32_t entry_count;
} NrProfileGroup;

typedef struct NrNoiseProfile {
    NrProfileGroup* groups; /* storage for NR_PROFILE_MAX_GROUPS */
    uint32_t group_count;   /* 0 = no profile */
} NrNoiseProfile;

/*
 * Allocates full capacity: 3 groups of 4 entries of 256-byte tables (contents undefined), log2
 * size 8, index = position, entry counts 4, group count 3. NR_OK or NR_ERR_NO_MEMORY; after a
 * failure the partly built profile is still safe to pass to nr_profile_free.
 */
int32_t nr_profile_alloc(void* user, NrNoiseProfile* profile);

/* Frees every table, entry array and the group array present; nulls the group pointer. */
void nr_profile_free(void* user, NrNoiseProfile* profile);

/*
 * Sets the group count; group 0 gets the luma entry count and log2 size, every further group the
 * chroma ones; each entry's index = its position. Counts are clamped to the capacity. A group
 * count of 0 or less only sets the count (to 0). Table contents are untouched.
 */
void nr_profile_set_shape(NrNoiseProfile* profile, int32_t group_count, int32_t luma_entries,
                          int32_t luma_log2, int32_t chroma_entries, int32_t chroma_log2);

/* Copies counts, log2 sizes, indices and tables into the destination's existing storage. */
void nr_profile_copy(const NrNoiseProfile* src, NrNoiseProfile* dst);

/*
 * Serialises the profile into NR_PROFILE_BLOB_SIZE bytes (32-bit little-endian fields, tables
 * following one another without gaps). The unused tail is cleared.
 */
void nr_profile_write(uint8_t* blob, const NrNoiseProfile* profile);

/*
 * Installs a blob into the profile's existing storage. A malformed blob (more than 3 groups or 4
 * entries, a log2 size above 8, an index above 3, or tables running past the blob's end) installs
 * an empty profile and returns NR_ERR_FORMAT; a profile without storage is left empty. NR_OK
 * otherwise. Never reads past NR_PROFILE_BLOB_SIZE bytes nor writes past the capacity.
 */
int32_t nr_profile_read(const uint8_t* blob, NrNoiseProfile* profile);

/*
 * Multiplies each table of level j by the 8.8 gain of that level: luma_gains[j] for group 0,
 * chroma_gains[j] for the others. v -> min(255, (v * G + 128) >> 8); a zero under a gain above
 * 256 becomes (G - 128) >> 8. Only groups and entries in use are touched.
 */
void nr_profile_scale(NrNoiseProfile* profile, const int32_t luma_gains[4],
                      const int32_t chroma_gains[4]);

/* Raises every table value below minimum to minimum (groups and entries in use). */
void nr_profile_floor(NrNoiseProfile* profile, int32_t minimum);

/*
 * Marks isolated outliers of table t (length n) with 255, walking from the anchor position
 * outwards with tolerance step (grown by step over every marked value).
 */
void nr_lut_mark_outliers(uint8_t* t, int32_t n, int32_t anchor, int32_t step);

/* Replaces marked values (255) by the straight line between their non-marked neighbours. */
void nr_lut_fill_gaps(uint8_t* t, int32_t n);

#endif /* NR_PROFILE_H */
