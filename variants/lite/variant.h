// vibrel-lite~: the same string with a Lagrange interpolator of order 5 (six taps), at lower cost.
#pragma once
#define VIBREL_ORDER 5
#define VIBREL_CLASS_NAME "vibrel-lite~"
#define VIBREL_NS vibrel_lite
