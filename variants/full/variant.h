// vibrel~: the full string, a Lagrange interpolator of order 7 (eight taps).
#pragma once
#define VIBREL_ORDER 7
#define VIBREL_CLASS_NAME "vibrel~"
#define VIBREL_NS vibrel_full
