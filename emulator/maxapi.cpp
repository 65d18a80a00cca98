// The host operations of the host's main library (on Windows the stand-in "MaxAPI.dll"): classes,
// symbols, objects, outlets, memory, messages to objects and the chain, and the console.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_state.h"

using namespace vibrel_emu;

namespace {

constexpr t_max_err kErrNone = 0;
constexpr t_max_err kErrGeneric = -1;

// Reads type codes (promoted to int) up to the terminating 0, at most kMaxTypeCodes.
std::vector<int> read_types(int first, va_list ap) {
    std::vector<int> types;
    for (int t = first; t != A_NOTHING && (int)types.size() < kMaxTypeCodes; t = va_arg(ap, int))
        types.push_back(t);
    return types;
}

Chain *as_chain(void *x) {
    for (auto &entry : state().objects)
        if (x == &entry.second->chain.header) return &entry.second->chain;
    return nullptr;
}

void add_to_chain(Chain *chain, void *record, void *routine, t_ptr_int flags, void *userparam) {
    chain->entries.push_back({record, routine, flags, userparam});
    state().log(Event::DspAdd, record, routine);
}

// Disguised block addresses: the table must not keep a leaked block reachable for LeakSanitizer.
std::uintptr_t disguise(const void *p) { return ~(std::uintptr_t)p; }

} // namespace

VIBREL_HOST_OP t_class *class_new(const char *name, const method mnew, const method mfree, long size,
                                  const method, short type, ...) {
    auto c = std::make_unique<Class>();
    c->name = name ? name : "";
    c->mnew = mnew;
    c->mfree = mfree;
    c->size = size;
    va_list ap;
    va_start(ap, type);
    c->newTypes = read_types(type, ap);
    va_end(ap);
    state().classes.push_back(std::move(c));
    return reinterpret_cast<t_class *>(state().classes.back().get());
}

VIBREL_HOST_OP t_max_err class_addmethod(t_class *c, const method m, const char *name, ...) {
    if (!c || !name) return kErrGeneric;
    va_list ap;
    va_start(ap, name);
    const int first = va_arg(ap, int); // before ap is handed on: where va_list is a pointer, a copy
    Method entry{m, read_types(first, ap)}; // taken first would read this code twice
    va_end(ap);
    reinterpret_cast<Class *>(c)->methods[name] = std::move(entry);
    return kErrNone;
}

VIBREL_HOST_OP t_max_err class_register(t_symbol *name_space, t_class *c) {
    if (!c || !name_space) return kErrGeneric;
    reinterpret_cast<Class *>(c)->nameSpace = name_space->s_name;
    return kErrNone;
}

VIBREL_HOST_OP t_symbol *gensym(const char *s) {
    auto &symbols = state().symbols;
    const std::string text = s ? s : "";
    auto it = symbols.find(text);
    if (it == symbols.end()) {
        it = symbols.emplace(text, std::make_unique<t_symbol>()).first;
        it->second->s_name = const_cast<char *>(it->first.c_str()); // map nodes never move
        it->second->s_thing = nullptr;
    }
    return it->second.get();
}

VIBREL_HOST_OP void *object_alloc(t_class *c) {
    HostState &st = state();
    if (st.failNext == FailNext::ObjectAlloc) {
        st.failNext = FailNext::None;
        return nullptr;
    }
    if (!c) return nullptr;
    Class *cls = reinterpret_cast<Class *>(c);
    std::size_t size = cls->size > 0 ? (std::size_t)cls->size : 0;
    if (size < sizeof(t_object)) size = sizeof(t_object);
    auto *header = static_cast<t_object *>(std::calloc(1, size));
    if (!header) return nullptr;
    header->o_messlist = cls;
    header->o_magic = kObjectMagic;
    auto obj = std::make_unique<Object>();
    obj->record = header;
    obj->cls = cls;
    obj->chain.header.o_magic = kChainMagic;
    st.objects[header] = std::move(obj);
    st.log(Event::ObjectAlloc, header);
    return header;
}

VIBREL_HOST_OP t_max_err object_free(void *x) {
    HostState &st = state();
    Object *obj = st.find_object(x);
    if (!obj) {
        if (x) st.post("object_free: not an object of this host");
        return kErrGeneric;
    }
    st.log(Event::ObjectFree, x);
    Object *outer = st.freeing;
    st.freeing = obj;
    if (obj->cls->mfree) handler_as<void (*)(void *)>(obj->cls->mfree)(x);
    st.freeing = outer;
    st.log(Event::ObjectRelease, x);
    st.objects.erase(x);
    std::free(x);
    return kErrNone;
}

VIBREL_HOST_OP void *outlet_new(void *owner, const char *type) {
    Object *obj = state().find_object(owner);
    if (!obj) {
        state().post("outlet_new: the owner is not an object of this host");
        return nullptr;
    }
    obj->outlets.push_back(std::make_unique<Outlet>(Outlet{type ? type : ""}));
    return obj->outlets.back().get();
}

VIBREL_HOST_OP char *sysmem_newptrclear(t_ptr_size bytes) {
    HostState &st = state();
    if (st.failNext == FailNext::SysmemAlloc) {
        st.failNext = FailNext::None;
        return nullptr;
    }
    if (bytes > st.allocationLimit) return nullptr;
    void *p = std::calloc(bytes ? (std::size_t)bytes : 1, 1);
    if (!p) return nullptr;
    st.blocks[disguise(p)] = (std::size_t)bytes;
    st.log(Event::SysmemAlloc, st.freeing ? st.freeing->record : nullptr, p);
    return static_cast<char *>(p);
}

VIBREL_HOST_OP void sysmem_freeptr(void *p) {
    HostState &st = state();
    if (!p) return;
    auto it = st.blocks.find(disguise(p));
    if (it == st.blocks.end()) {
        st.post("sysmem_freeptr: not a block of this host");
        return;
    }
    if (st.freeing && st.freeing->inSignalSet) st.freesWhileInChain++;
    st.log(Event::SysmemFree, st.freeing ? st.freeing->record : nullptr, p);
    st.blocks.erase(it);
    std::free(p);
}

// Messages to host objects: the signal chain understands "dsp_add64"; a plug-in object gets its
// A_CANT method called with the eight pointer-sized arguments.
VIBREL_HOST_OP void *object_method_imp(void *x, void *sym, void *p1, void *p2, void *p3, void *p4, void *p5,
                                       void *p6, void *p7, void *p8) {
    HostState &st = state();
    const t_symbol *s = static_cast<const t_symbol *>(sym);
    if (!s) return nullptr;
    if (Chain *chain = as_chain(x)) {
        if (s == gensym("dsp_add64"))
            add_to_chain(chain, p1, p2, (t_ptr_int)p3, p4);
        else
            st.post(std::string("dsp chain: doesn't understand \"") + s->s_name + "\"");
        return nullptr;
    }
    Object *obj = st.find_object(x);
    if (!obj) return nullptr;
    auto it = obj->cls->methods.find(s->s_name);
    if (it == obj->cls->methods.end()) return nullptr;
    using Imp = void *(*)(void *, void *, void *, void *, void *, void *, void *, void *, void *);
    return handler_as<Imp>(it->second.fn)(x, p1, p2, p3, p4, p5, p6, p7, p8);
}

// The variadic form used by Windows x86 builds. Only the chain's "dsp_add64" is known here, whose
// arguments are the record, the routine, a long of flags and the user parameter.
VIBREL_HOST_OP void *object_method(void *x, t_symbol *s, ...) {
    HostState &st = state();
    Chain *chain = as_chain(x);
    if (!chain || !s || s != gensym("dsp_add64")) {
        st.post(std::string("object_method: no handler for \"") + (s ? s->s_name : "") + "\"");
        return nullptr;
    }
    va_list ap;
    va_start(ap, s);
    void *record = va_arg(ap, void *);
    void *routine = va_arg(ap, void *);
    const long flags = va_arg(ap, long);
    void *userparam = va_arg(ap, void *);
    va_end(ap);
    add_to_chain(chain, record, routine, flags, userparam);
    return nullptr;
}

VIBREL_HOST_OP void object_post(t_object *, const char *fmt, ...) {
    if (!fmt) return;
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    std::string line(n > 0 ? (std::size_t)n : 0, '\0');
    if (n > 0) std::vsnprintf(line.data(), line.size() + 1, fmt, again);
    va_end(again);
    va_end(ap);
    state().post(line);
}
