// The record invariants of one variant (built once per variant): indices inside the delay line, the
// gate free, parameters and coefficients inside their ranges and finite.
#include <cmath>
#include <cstring>
#include <sstream>

#include "record_check.h"
#include "shared.h"
#include "vibrel.h"

namespace {

using namespace VIBREL_NS;

const t_vibrel *rec(const void *p) { return static_cast<const t_vibrel *>(p); }

std::string check(const void *p, bool dspDone) {
    const t_vibrel *x = rec(p);
    std::ostringstream why;
    why.precision(17);
    const long w = vibrel_shared::load(x->writeIndex);
    const double loopDelay = vibrel_shared::load(x->loopDelay);
    const double g = vibrel_shared::load(x->fbGain);
    const double b = vibrel_shared::load(x->brightness);
    const double outer = vibrel_shared::load(x->lpfOuter);
    const double centre = vibrel_shared::load(x->lpfCenter);
    if (!(x->maxDelay >= kDefaultMaxDelay) || x->maxDelay != std::floor(x->maxDelay) ||
        x->maxDelay > (double)kMaxDelayLimit)
        why << "maxDelay " << x->maxDelay << " is not a whole number in [8192, " << kMaxDelayLimit << "]";
    else if (x->bufLen != (long)x->maxDelay + kGuard)
        why << "bufLen " << x->bufLen << " is not maxDelay " << x->maxDelay << " + " << kGuard;
    else if (!x->buffer)
        why << "no delay line";
    else if (w < 0 || w >= x->bufLen)
        why << "writeIndex " << w << " outside [0, " << x->bufLen << ")";
    else if (const unsigned gate = vibrel_shared::load(x->gate); gate != 0)
        why << "gate " << gate << " still held between two steps of the host"; // vectors would keep out for good
    else if (const unsigned params = vibrel_shared::load(x->params); params != 0)
        why << "parameter word " << params << " between two steps of the host"; // no message would design again
    else if (!(loopDelay >= (double)kHalf && loopDelay <= x->maxDelay - 1.0))
        why << "loopDelay " << loopDelay << " outside [" << kHalf << ", " << x->maxDelay - 1.0 << "]";
    else if (!(g >= -kGainBound && g <= kGainBound))
        why << "fbGain " << g << " outside [-0.99999, 0.99999]";
    else if (!(b >= 0.0 && b <= kGainBound))
        why << "brightness " << b << " outside [0, 0.99999]";
    else if (!(outer >= 0.0 && std::isfinite(outer)) || !std::isfinite(centre))
        why << "loop filter outer " << outer << " centre " << centre;
    else if (std::fabs(centre) + 2.0 * outer > 1.0 + 1e-12)
        why << "loop filter gain |centre| + 2 outer = " << std::fabs(centre) + 2.0 * outer << " above 1";
    if (why.tellp() == 0)
        for (long k = 0; k < kTaps; k++)
            if (!std::isfinite(x->lagDenom[k]) || !std::isfinite(vibrel_shared::load(x->lagCoeff[k]))) {
                why << "tap " << k << ": lagDenom " << x->lagDenom[k] << " lagCoeff " << x->lagCoeff[k];
                break;
            }
    // At absurd rates (above about 5e17 Hz) a1 rounds to 1 and the blocker to the identity: still stable.
    if (why.tellp() == 0 && dspDone &&
        !(std::isfinite(x->dcB0) && std::isfinite(x->dcB1) && std::isfinite(x->dcA1) && std::fabs(x->dcA1) <= 1.0))
        why << "DC blocker b0 " << x->dcB0 << " b1 " << x->dcB1 << " a1 " << x->dcA1;
    return why.str();
}

std::vector<unsigned char> fixed_image(const void *p) {
    t_vibrel copy;
    std::memcpy(&copy, p, sizeof copy);
    copy.writeIndex = 0;
    copy.dcY1 = copy.dcX1 = copy.lpfX1 = copy.lpfX2 = 0.0;
    std::memset(copy.lagDiff, 0, sizeof copy.lagDiff);
    std::vector<unsigned char> bytes(sizeof copy);
    std::memcpy(bytes.data(), &copy, sizeof copy);
    return bytes;
}

long write_index(const void *p) { return vibrel_shared::load(rec(p)->writeIndex); }
long buf_len(const void *p) { return rec(p)->bufLen; }
const double *buffer(const void *p) { return rec(p)->buffer; }
double max_delay(const void *p) { return rec(p)->maxDelay; }

const hardening::RecordOps kOps{
    VIBREL_CLASS_NAME, (long)sizeof(t_vibrel), check, fixed_image, write_index, buf_len, buffer, max_delay};

} // namespace

namespace hardening {
#if VIBREL_ORDER == 7
const RecordOps &full_ops() { return kOps; }
#else
const RecordOps &lite_ops() { return kOps; }
#endif
} // namespace hardening
