// The emulated host's process-wide state: one instance, reached by every host operation.
#include "host_state.h"

namespace vibrel_emu {

HostState &state() {
    static HostState s;
    return s;
}

Class *HostState::find_class(const std::string &name) const {
    for (const auto &c : classes)
        if (c->name == name && c->nameSpace == "box") return c.get();
    return nullptr;
}

Object *HostState::find_object(const void *record) const {
    auto it = objects.find(const_cast<void *>(record));
    return it == objects.end() ? nullptr : it->second.get();
}

void HostState::log(Event what, const void *object, const void *memory) { events.push_back({what, object, memory}); }

} // namespace vibrel_emu
