// The two variants' UGens, each defined by its own build of sc/ugen.cpp (namespace vibrel_full or
// vibrel_lite): the plug-in's load function defines both.
#pragma once

#include "sc_api.h"

namespace vibrel_full::sc {
bool define_unit(const sc_api::InterfaceTable *table); // Vibrel; false when the server refuses it
}
namespace vibrel_lite::sc {
bool define_unit(const sc_api::InterfaceTable *table); // VibrelLite
}
