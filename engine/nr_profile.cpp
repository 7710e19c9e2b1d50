/*
 * The noise profile: storage, shaping, copying, gain scaling, flooring, the table repairs of the
 * estimator and the 4,096-byte blob.
 */
#include "nr_profile.h"

#include "nr_runtime.h"

namespace {

// Counts clamped to the fixed storage, whatever a record says.
int32_t group_limit(const NrNoiseProfile* profile) {
    if (!profile->groups) {
        return 0;
    }
    return profile->group_count > NR_PROFILE_MAX_GROUPS
               ? NR_PROFILE_MAX_GROUPS
               : static_cast<int32_t>(profile->group_count);
}

int32_t entry_limit(const NrProfileGroup* group) {
    if (!group->entries || group->entry_count <= 0) {
        return 0;
    }
    return group->entry_count > NR_PROFILE_MAX_ENTRIES ? NR_PROFILE_MAX_ENTRIES
                                                       : group->entry_count;
}

// Bins in use of an entry: 2^k with k limited to 0..8.
int32_t table_length(const NrProfileEntry* entry) {
    int32_t k = entry->log2_size;
    if (k < 0) {
        k = 0;
    } else if (k > NR_PROFILE_MAX_LOG2) {
        k = NR_PROFILE_MAX_LOG2;
    }
    return 1 << k;
}

int32_t clamp_count(int32_t value, int32_t limit) {
    return value < 0 ? 0 : (value > limit ? limit : value);
}

uint32_t read_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void write_u32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

} // namespace

int32_t nr_profile_alloc(void* user, NrNoiseProfile* profile) {
    if (!profile) {
        return NR_ERR_INVALID_ARG;
    }
    profile->group_count = 0;
    profile->groups = static_cast<NrProfileGroup*>(
        nr_malloc(user, sizeof(NrProfileGroup) * NR_PROFILE_MAX_GROUPS));
    if (!profile->groups) {
        return NR_ERR_NO_MEMORY;
    }
    // Everything starts null so that a failure part-way leaves a profile nr_profile_free handles.
    for (int32_t g = 0; g < NR_PROFILE_MAX_GROUPS; ++g) {
        profile->groups[g].entries = nullptr;
        profile->groups[g].entry_count = 0;
    }
    for (int32_t g = 0; g < NR_PROFILE_MAX_GROUPS; ++g) {
        NrProfileGroup* group = &profile->groups[g];
        group->entries = static_cast<NrProfileEntry*>(
            nr_malloc(user, sizeof(NrProfileEntry) * NR_PROFILE_MAX_ENTRIES));
        if (!group->entries) {
            return NR_ERR_NO_MEMORY;
        }
        for (int32_t j = 0; j < NR_PROFILE_MAX_ENTRIES; ++j) {
            group->entries[j].log2_size = NR_PROFILE_MAX_LOG2;
            group->entries[j].index = j;
            group->entries[j].lut = nullptr;
        }
        for (int32_t j = 0; j < NR_PROFILE_MAX_ENTRIES; ++j) {
            group->entries[j].lut = static_cast<uint8_t*>(nr_malloc(user, NR_PROFILE_LUT_SIZE));
            if (!group->entries[j].lut) {
                return NR_ERR_NO_MEMORY;
            }
        }
        group->entry_count = NR_PROFILE_MAX_ENTRIES;
    }
    profile->group_count = NR_PROFILE_MAX_GROUPS;
    return NR_OK;
}

void nr_profile_free(void* user, NrNoiseProfile* profile) {
    if (!profile || !profile->groups) {
        return;
    }
    for (int32_t g = 0; g < NR_PROFILE_MAX_GROUPS; ++g) {
        NrProfileEntry* entries = profile->groups[g].entries;
        if (!entries) {
            continue;
        }
        for (int32_t j = 0; j < NR_PROFILE_MAX_ENTRIES; ++j) {
            nr_free(user, entries[j].lut);
        }
        nr_free(user, entries);
    }
    nr_free(user, profile->groups);
    profile->groups = nullptr;
    profile->group_count = 0;
}

void nr_profile_set_shape(NrNoiseProfile* profile, int32_t group_count, int32_t luma_entries,
                          int32_t luma_log2, int32_t chroma_entries, int32_t chroma_log2) {
    if (!profile) {
        return;
    }
    if (group_count <= 0 || !profile->groups) {
        profile->group_count = 0;
        return;
    }
    const int32_t groups = clamp_count(group_count, NR_PROFILE_MAX_GROUPS);
    profile->group_count = static_cast<uint32_t>(groups);
    for (int32_t g = 0; g < groups; ++g) {
        NrProfileGroup* group = &profile->groups[g];
        const int32_t entries = clamp_count(g == 0 ? luma_entries : chroma_entries,
                                            group->entries ? NR_PROFILE_MAX_ENTRIES : 0);
        const int32_t log2 = clamp_count(g == 0 ? luma_log2 : chroma_log2, NR_PROFILE_MAX_LOG2);
        group->entry_count = entries;
        for (int32_t j = 0; j < entries; ++j) {
            group->entries[j].log2_size = log2;
            group->entries[j].index = j;
        }
    }
}

void nr_profile_copy(const NrNoiseProfile* src, NrNoiseProfile* dst) {
    if (!src || !dst || src == dst) {
        return;
    }
    if (!dst->groups) {
        dst->group_count = 0;
        return;
    }
    const int32_t groups = group_limit(src);
    dst->group_count = static_cast<uint32_t>(groups);
    for (int32_t g = 0; g < groups; ++g) {
        const NrProfileGroup* from = &src->groups[g];
        NrProfileGroup* to = &dst->groups[g];
        const int32_t entries = to->entries ? entry_limit(from) : 0;
        to->entry_count = entries;
        for (int32_t j = 0; j < entries; ++j) {
            const NrProfileEntry* a = &from->entries[j];
            NrProfileEntry* b = &to->entries[j];
            b->log2_size = clamp_count(a->log2_size, NR_PROFILE_MAX_LOG2);
            b->index = a->index;
            if (a->lut && b->lut) {
                nr_memcpy(b->lut, a->lut, static_cast<size_t>(table_length(a)));
            }
        }
    }
}

void nr_profile_write(uint8_t* blob, const NrNoiseProfile* profile) {
    if (!blob) {
        return;
    }
    nr_memset(blob, 0, NR_PROFILE_BLOB_SIZE);
    if (!profile) {
        return;
    }
    // Within the clamped counts a full profile takes 3,184 bytes, far below the blob size.
    uint8_t* p = blob;
    const int32_t groups = group_limit(profile);
    write_u32(p, static_cast<uint32_t>(groups));
    p += 4;
    for (int32_t g = 0; g < groups; ++g) {
        const NrProfileGroup* group = &profile->groups[g];
        const int32_t entries = entry_limit(group);
        write_u32(p, static_cast<uint32_t>(entries));
        p += 4;
        for (int32_t j = 0; j < entries; ++j) {
            const NrProfileEntry* entry = &group->entries[j];
            const int32_t length = table_length(entry);
            write_u32(p, static_cast<uint32_t>(clamp_count(entry->log2_size, NR_PROFILE_MAX_LOG2)));
            write_u32(p + 4, static_cast<uint32_t>(entry->index));
            p += 8;
            if (entry->lut) {
                nr_memcpy(p, entry->lut, static_cast<size_t>(length));
            }
            p += length;
        }
    }
}

// A blob is accepted only when every count, size and index is in range and every table ends
// within the blob. The index becomes a shift count of the level filter, hence at most 3.
static bool nr_blob_well_formed(const uint8_t* blob) {
    size_t pos = 0;
    const uint32_t groups = read_u32(blob + pos);
    pos += 4;
    if (groups > NR_PROFILE_MAX_GROUPS) {
        return false;
    }
    for (uint32_t g = 0; g < groups; ++g) {
        if (pos + 4 > NR_PROFILE_BLOB_SIZE) {
            return false;
        }
        const uint32_t entries = read_u32(blob + pos);
        pos += 4;
        if (entries > NR_PROFILE_MAX_ENTRIES) {
            return false;
        }
        for (uint32_t j = 0; j < entries; ++j) {
            if (pos + 8 > NR_PROFILE_BLOB_SIZE) {
                return false;
            }
            const uint32_t log2 = read_u32(blob + pos);
            const uint32_t index = read_u32(blob + pos + 4);
            pos += 8;
            if (log2 > NR_PROFILE_MAX_LOG2 || index >= NR_PROFILE_MAX_ENTRIES) {
                return false;
            }
            pos += static_cast<size_t>(1) << log2;
            if (pos > NR_PROFILE_BLOB_SIZE) {
                return false;
            }
        }
    }
    return true;
}

int32_t nr_profile_read(const uint8_t* blob, NrNoiseProfile* profile) {
    if (!profile) {
        return NR_ERR_INVALID_ARG;
    }
    profile->group_count = 0;
    if (!blob) {
        return NR_ERR_INVALID_ARG;
    }
    if (!nr_blob_well_formed(blob)) {
        return NR_ERR_FORMAT;
    }
    const uint32_t groups = read_u32(blob);
    if (groups > 0 && !profile->groups) {
        return NR_ERR_FORMAT;
    }
    // The storage must hold what the blob describes; a profile short of tables stays empty.
    for (uint32_t g = 0; g < groups; ++g) {
        if (!profile->groups[g].entries) {
            return NR_ERR_FORMAT;
        }
        for (int32_t j = 0; j < NR_PROFILE_MAX_ENTRIES; ++j) {
            if (!profile->groups[g].entries[j].lut) {
                return NR_ERR_FORMAT;
            }
        }
    }
    const uint8_t* p = blob + 4;
    for (uint32_t g = 0; g < groups; ++g) {
        NrProfileGroup* group = &profile->groups[g];
        const uint32_t entries = read_u32(p);
        p += 4;
        group->entry_count = static_cast<int32_t>(entries);
        for (uint32_t j = 0; j < entries; ++j) {
            NrProfileEntry* entry = &group->entries[j];
            entry->log2_size = static_cast<int32_t>(read_u32(p));
            entry->index = static_cast<int32_t>(read_u32(p + 4));
            p += 8;
            const size_t length = static_cast<size_t>(1) << entry->log2_size;
            nr_memcpy(entry->lut, p, length);
            p += length;
        }
    }
    profile->group_count = groups;
    return NR_OK;
}

void nr_profile_scale(NrNoiseProfile* profile, const int32_t luma_gains[4],
                      const int32_t chroma_gains[4]) {
    if (!profile || !luma_gains || !chroma_gains) {
        return;
    }
    const int32_t groups = group_limit(profile);
    for (int32_t g = 0; g < groups; ++g) {
        NrProfileGroup* group = &profile->groups[g];
        const int32_t entries = entry_limit(group);
        for (int32_t j = 0; j < entries; ++j) {
            NrProfileEntry* entry = &group->entries[j];
            if (!entry->lut) {
                continue;
            }
            // Gains are unsigned 8.8 numbers; 64-bit products keep huge gains from wrapping.
            const uint64_t gain = static_cast<uint32_t>(g == 0 ? luma_gains[j] : chroma_gains[j]);
            const int32_t length = table_length(entry);
            for (int32_t i = 0; i < length; ++i) {
                const uint64_t v = entry->lut[i];
                uint64_t r;
                if (gain > 256 && v == 0) {
                    r = (gain - 128) >> 8; // a zero becomes 1 from gain 384 on, 2 from 640, ...
                } else {
                    r = (v * gain + 128) >> 8;
                }
                entry->lut[i] = static_cast<uint8_t>(r > 255 ? 255 : r);
            }
        }
    }
}

void nr_profile_floor(NrNoiseProfile* profile, int32_t minimum) {
    if (!profile) {
        return;
    }
    const int32_t groups = group_limit(profile);
    for (int32_t g = 0; g < groups; ++g) {
        NrProfileGroup* group = &profile->groups[g];
        const int32_t entries = entry_limit(group);
        for (int32_t j = 0; j < entries; ++j) {
            NrProfileEntry* entry = &group->entries[j];
            if (!entry->lut) {
                continue;
            }
            const int32_t length = table_length(entry);
            for (int32_t i = 0; i < length; ++i) {
                if (entry->lut[i] < minimum) {
                    entry->lut[i] = static_cast<uint8_t>(minimum > 255 ? 255 : minimum);
                }
            }
        }
    }
}

static inline void nr_mark_step(uint8_t* t, int32_t i, int32_t* reference, int32_t* tolerance,
                                int32_t step) {
    const int32_t c = t[i];
    if (c == 255) {
        *tolerance += step;
    } else if ((c > *reference ? c - *reference : *reference - c) > *tolerance) {
        t[i] = 255;
        *tolerance += step;
    } else {
        *tolerance = step;
        *reference = c;
    }
}

void nr_lut_mark_outliers(uint8_t* t, int32_t n, int32_t anchor, int32_t step) {
    if (!t || n <= 0 || anchor < 0 || anchor >= n) {
        return;
    }
    int32_t reference = t[anchor];
    int32_t tolerance = step;
    for (int32_t i = anchor - 1; i >= 0; --i) {
        nr_mark_step(t, i, &reference, &tolerance, step);
    }
    reference = t[anchor];
    tolerance = step;
    for (int32_t i = anchor + 1; i < n; ++i) {
        nr_mark_step(t, i, &reference, &tolerance, step);
    }
}

void nr_lut_fill_gaps(uint8_t* t, int32_t n) {
    if (!t || n <= 0) {
        return;
    }
    const int32_t gap = 255;
    int32_t first = 0;
    while (first < n && t[first] == gap) {
        ++first;
    }
    if (first == n) {
        nr_memset(t, 0, static_cast<size_t>(n));
        return;
    }
    for (int32_t x = 0; x < first; ++x) {
        t[x] = t[first];
    }
    int32_t i = first; // last non-gap position
    for (int32_t q = first + 1; q < n; ++q) {
        if (t[q] == gap) {
            continue;
        }
        if (q > i + 1) {
            // The straight line through (i, t[i]) and (q, t[q]), truncated toward zero.
            const int32_t ti = t[i];
            const int32_t tq = t[q];
            for (int32_t x = i + 1; x < q; ++x) {
                t[x] = static_cast<uint8_t>((i * tq - q * ti + x * (ti - tq)) / (i - q));
            }
        }
        i = q;
    }
    for (int32_t x = i + 1; x < n; ++x) {
        t[x] = t[i];
    }
}
