// Loading a plug-in module and finding its entry point: the only platform-specific part of the emulator.
#pragma once

#include <string>

namespace vibrel_emu {

// Loads the module with every undefined host operation bound at once; null with a reason in *error.
void *open_module(const std::string &path, std::string *error);
// The address of an exported symbol of a loaded module, or null.
void *module_symbol(void *module, const char *name);

} // namespace vibrel_emu
