// sc/sc_api.h against the server's own headers (Debian: supercollider-dev): every field the UGens use
// at the same offset, the unit head of the same size, the same API version. Compiled only: a layout
// that differs stops the build of the SuperCollider tests.
#include "SC_InterfaceTable.h"
#include "SC_Rate.h"
#include "SC_Unit.h"
#include "SC_Wire.h"
#include "sc_api.h"

#include <cstddef>

#define SAME_OFFSET(ours, theirs, a, b) static_assert(offsetof(sc_api::ours, a) == offsetof(theirs, b), #ours "::" #a)

static_assert(sc_api::kApiVersion == sc_api_version);
static_assert(sc_api::kServerScsynth == sc_server_scsynth);
static_assert((int)sc_api::calc_FullRate == (int)calc_FullRate && (int)sc_api::calc_BufRate == (int)calc_BufRate);
static_assert(sizeof(sc_api::Unit) == sizeof(Unit));
SAME_OFFSET(Unit, Unit, world, mWorld);
SAME_OFFSET(Unit, Unit, done, mDone);
SAME_OFFSET(Unit, Unit, input, mInput);
SAME_OFFSET(Unit, Unit, rate, mRate);
SAME_OFFSET(Unit, Unit, inBuf, mInBuf);
SAME_OFFSET(Unit, Unit, outBuf, mOutBuf);
SAME_OFFSET(Unit, Unit, calcFunc, mCalcFunc);
SAME_OFFSET(Unit, Unit, bufLength, mBufLength);
SAME_OFFSET(Wire, Wire, calcRate, mCalcRate);
SAME_OFFSET(Rate, Rate, sampleRate, mSampleRate);
SAME_OFFSET(InterfaceTable, InterfaceTable, print, fPrint);
SAME_OFFSET(InterfaceTable, InterfaceTable, defineUnit, fDefineUnit);
SAME_OFFSET(InterfaceTable, InterfaceTable, clearUnitOutputs, fClearUnitOutputs);
SAME_OFFSET(InterfaceTable, InterfaceTable, rtAlloc, fRTAlloc);
SAME_OFFSET(InterfaceTable, InterfaceTable, rtFree, fRTFree);
