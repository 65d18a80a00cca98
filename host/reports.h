// Console reports and hover help of the plug-in; message thread, read-only on the record.
#pragma once

#include "vibrel.h"

namespace VIBREL_NS {

void vibrel_info(t_vibrel *x);
void vibrel_params(t_vibrel *x);
void vibrel_assist(t_vibrel *x, void *box, long msg, long index, char *text);

} // namespace VIBREL_NS
