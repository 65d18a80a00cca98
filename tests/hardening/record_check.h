// What every record of the string model must satisfy between two steps of the host, for both variants
// in one executable: each variant's layout is compiled in its own unit (record_check.cpp).
#pragma once

#include <string>
#include <vector>

namespace hardening {

struct RecordOps {
    const char *className; // "vibrel~" or "vibrel-lite~"
    long recordSize;       // bytes of the record
    // The first invariant the record breaks, with the values involved; empty when all hold.
    // dspDone: a chain was built, so the DC blocker is designed.
    std::string (*check)(const void *record, bool dspDone);
    // The record's bytes with the running state (writeIndex, the four filter memories) and the
    // working storage lagDiff zeroed: what no perform routine may change.
    std::vector<unsigned char> (*fixedImage)(const void *record);
    long (*writeIndex)(const void *record); // relaxed load: the audio thread may be running
    long (*bufLen)(const void *record);
    const double *(*buffer)(const void *record);
    double (*maxDelay)(const void *record);
};

const RecordOps &full_ops();
const RecordOps &lite_ops();

} // namespace hardening
